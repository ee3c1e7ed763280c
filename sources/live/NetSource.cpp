#include "sources/live/NetSource.h"

#include "sources/live/TcpChannel.h"

#include <QTextCodec>

#include <algorithm>
#include <cstring>
#include <utility>

NetSource::NetSource(QObject *parent) : FileSource(parent)
{
    m_clock.start();
    setFileName(QStringLiteral("data_0.bin"));
}

NetSource::~NetSource() { stopAndWait(); }

void NetSource::setFileName(const QString &name)
{
    QTextCodec *codec = QTextCodec::codecForName("CP1251");
    m_files.front().name = name;
    m_recordName = codec->fromUnicode(name);
    m_flagName = codec->fromUnicode(FlagFile::pathFor(name));
    m_flag.state = FlagIdle;
}

QString NetSource::netText(const QString &text) const
{
    return QStringLiteral("Сеть %1:%2: %3").arg(m_address).arg(m_port).arg(text);
}

// --- Connection --------------------------------------------------------------------------

void NetSource::endRun()
{
    if (ownsConnection() && m_channel->isOpen()) {
        WorkerLock lock(*this);
        m_client->sendClose();
    }
    m_client.reset();
    m_channel.reset();
}

bool NetSource::connectToServer()
{
    if (!ownsConnection()) {
        m_channel = std::make_unique<TcpChannel>();
        m_channel->setStopRequested(stopPredicate());
        // Every exchange runs inside the worker's lock: a GUI hold gets in between slices.
        m_channel->setIdle([this] {
            yieldToHold();
            reportFetchProgress();
        });
        m_client = std::make_unique<net::Client>(*m_channel);
        m_client->setBlockLimit(std::min(net::maxBlockBytes(), memoryLimit()));
        m_channelThread = QThread::currentThread();
        m_flagMissing = false;
    }
    while (!m_channel->isOpen()) {
        m_waitEndedFlag = false;
        m_waitingFlag = true;
        // After a failure the server gets a pause before the next attempt.
        while (m_clock.elapsed() < m_reconnectAt) {
            if (stopPending())
                break;
            QThread::msleep(uint32_t(std::min<qint64>(TcpChannel::SliceMs,
                                                      m_reconnectAt - m_clock.elapsed())));
        }
        if (stopPending()) {
            m_waitingFlag = false;
            return false;
        }
        if (m_channel->connectTo(m_address, m_port, ConnectTimeoutMs)) {
            m_channel->setSilenceLimit(m_replyTimeoutMs);
            m_flagMissing = false;
            break;
        }
        if (!stopPending())
            reportProblem(netText(QStringLiteral("нет соединения (%1); новая попытка через %2 с")
                                      .arg(m_channel->error())
                                      .arg(ReconnectPauseMs / 1000.0)));
        m_reconnectAt = m_clock.elapsed() + ReconnectPauseMs;
    }
    return true;
}

bool NetSource::settle(net::Client::Result result)
{
    if (result == net::Client::Done)
        return true;
    if (stopPending()) {
        // Abandoned mid-exchange: the stream is out of step.
        m_channel->close();
        return false;
    }
    if (result == net::Client::Broken) {
        m_channel->close();
        m_reconnectAt = m_clock.elapsed() + ReconnectPauseMs;
        reportProblem(netText(m_client->error() + QStringLiteral("; соединение закрыто")));
    } else {
        reportProblem(netText(m_client->error()));
    }
    return false;
}

// --- Blocks ------------------------------------------------------------------------------

void NetSource::waitForData()
{
    if (!connectToServer())
        return;
    FileSource::waitForData();
    if (stopPending() || !m_channel->isOpen())
        return;
    WorkerLock lock(*this);
    fetchBlock();
}

void NetSource::fetchBlock()
{
    uint32_t bytes = 0;
    if (!settle(m_client->blockSize(m_recordName, bytes)))
        return;
    // Once filling starts the old block is gone, whatever the fetch brings.
    m_blockValid = false;
    m_fetchFrom = m_channel->received();
    m_fetchBytes = bytes;
    m_progressShown = false;
    m_fetchClock.start();
    const net::Client::Result fetched = m_client->fetchBlock(m_recordName, bytes, m_block);
    m_fetchClock.invalidate();
    if (!settle(fetched))
        return;
    if (m_progressShown)
        withdrawProblem();
    m_blockBytes = bytes;
    m_blockValid = m_newBlock = true;
}

void NetSource::reportFetchProgress()
{
    // A block that trickles in shows how far it has come, once a second.
    if (!m_fetchClock.isValid() || m_fetchClock.elapsed() < ProgressAfterMs)
        return;
    const uint64_t since = m_channel->received() - m_fetchFrom;
    const uint64_t got = since > uint64_t(net::HeaderBytes) ? since - net::HeaderBytes : 0;
    reportProblem(netText(QStringLiteral("блок «%1»: получено %2 из %3 байт")
                              .arg(firstFileName())
                              .arg(std::min<uint64_t>(got, m_fetchBytes))
                              .arg(m_fetchBytes)));
    m_progressShown = true;
    m_fetchClock.start();
}

int NetSource::readBlock()
{
    // A skipped wait reads the last block again (the window moved).
    const bool fresh = std::exchange(m_newBlock, false);
    if (!m_blockValid || !(fresh || m_skipWaitOnce)) {
        m_waitEndedFlag = false;
        return -1;
    }
    return readLiveBlock([this](const QString &text) { return netText(text); });
}

// --- Transport ---------------------------------------------------------------------------

void NetSource::writeFlag(int32_t state, int32_t value)
{
    if (!ownsConnection() || !m_channel->isOpen() || m_flagName.isEmpty() || m_flagMissing)
        return;
    settle(m_client->writeFlag(m_flagName, {state, value}));
}

FlagWord NetSource::readFlag()
{
    FlagWord word;
    if (!ownsConnection() || !m_channel->isOpen() || m_flagName.isEmpty())
        return word;
    const net::Client::Result result = m_client->readFlag(m_flagName, word);
    // A refused flag read: the server has no flag for the record, as a record without a
    // flag file; the block is read at once.
    m_flagMissing = result == net::Client::Refused;
    if (!m_flagMissing)
        settle(result);
    return result == net::Client::Done ? word : FlagWord();
}

bool NetSource::flagExists()
{
    return !m_flagName.isEmpty() && !m_flagMissing && ownsConnection() && m_channel->isOpen();
}

uint8_t NetSource::loadPostfixes()
{
    const int tailBytes = int(std::min<uint32_t>(m_blockBytes, PostfixTailBytes));
    const QByteArray tail = QByteArray::fromRawData(
        reinterpret_cast<const char *>(m_block.data()) + m_blockBytes - uint32_t(tailBytes),
        tailBytes);
    const PostfixSearch found = findPostfix(tail);
    const qint64 dataBytes = found.offset >= 0 ? qint64(m_blockBytes) - tailBytes + found.offset
                                               : qint64(m_blockBytes);
    QString problem;
    const uint8_t result = takeLivePostfix(found, dataBytes, problem);
    if (!problem.isEmpty())
        reportProblem(netText(QStringLiteral("«%1»: ").arg(firstFileName()) + problem));
    return result;
}

bool NetSource::readSamples()
{
    // The window never reaches past the block's data (FileSource bounds it by dataBytes).
    readWindow(0, [this](uint64_t offset, uint8_t *dst, uint64_t bytes) -> uint64_t {
        const uint64_t held = m_block.size();
        const uint64_t n = offset < held ? std::min(bytes, held - offset) : 0;
        if (n)
            std::memcpy(dst, m_block.data() + offset, size_t(n));
        return n;
    });
    return true;
}
