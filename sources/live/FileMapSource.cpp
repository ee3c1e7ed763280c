#include "sources/live/FileMapSource.h"

#include <algorithm>
#include <cerrno>
#include <utility>

namespace {

// State and value: what the handshake cannot do without.
constexpr uint64_t FlagWordsBytes = 8;

QString shmText(const QString &text) { return QStringLiteral("Разделяемая память: ") + text; }

} // namespace

FileMapSource::FileMapSource(QObject *parent) : FileSource(parent)
{
    setFileName(QStringLiteral("data"));
}

FileMapSource::~FileMapSource()
{
    stopAndWait();
    closeRegions();
}

// --- Regions -----------------------------------------------------------------------------

bool FileMapSource::openRegions()
{
    if (m_namesChanged) {
        closeRegions();
        m_namesChanged = false;
    }
    SharedRegion *regions[] = {&m_flagRegion, &m_postfixRegion, &m_dataRegion};
    const char *suffixes[] = {"_flg", "_postfix", "_blk0"};
    for (int i = 0; i < 3; ++i) {
        if (regions[i]->isOpen())
            continue;
        const bool opened = regions[i]->open(regionName(suffixes[i]));
        // A flag region without its words yet is still being made.
        if (opened && (regions[i] != &m_flagRegion || m_flagRegion.size() > 0))
            continue;
        QString why;
        if (opened)
            why = QStringLiteral("область «%1» пуста").arg(regionName(suffixes[i]));
        else if (regions[i]->errorNumber() == ENOENT)
            why = QStringLiteral("области «%1» нет").arg(regionName(suffixes[i]));
        else
            why = QStringLiteral("область «%1» не открывается: %2")
                      .arg(regionName(suffixes[i]), regions[i]->errorText());
        regions[i]->close();
        reportProblem(shmText(why + QStringLiteral("; ожидание производителя")));
        return false;
    }
    return true;
}

void FileMapSource::closeRegions()
{
    m_dataRegion.close();
    m_flagRegion.close();
    m_postfixRegion.close();
}

void FileMapSource::endRun()
{
    // Back from the last block: the producer may go on. Then nothing of ours stays mapped.
    writeFlag(FlagIdle, m_flag.value);
    closeRegions();
}

void FileMapSource::waitForData()
{
    for (;;) {
        {
            WorkerLock lock(*this);
            if (openRegions())
                break;
        }
        m_waitEndedFlag = false;
        if (stopPending()) {
            m_waitingFlag = false;
            return;
        }
        m_waitingFlag = true;
        QThread::msleep(RegionRetryMs);
    }
    FileSource::waitForData();
}

int FileMapSource::readBlock()
{
    // A skipped wait, or new names: the regions may not be there yet.
    if (!openRegions()) {
        m_waitEndedFlag = false;
        return -1;
    }
    if (m_dataRegion.size() == 0) {
        // Nothing to read until the producer sizes the region or makes new ones; a producer
        // that replaced them is noticed here, not only by a flag that nobody offers on.
        if (m_dataRegion.isOrphaned() || m_flagRegion.isOrphaned())
            m_orphaned = true;
        else
            reportProblem(shmText(QStringLiteral("область данных «%1» пуста (0 байт); ожидание "
                                                 "производителя")
                                      .arg(m_dataRegion.name())));
    }
    const bool orphaned = std::exchange(m_orphaned, false);
    if (orphaned)
        closeRegions(); // no block from the old regions; the next wait opens the new ones
    if (orphaned || std::exchange(m_offerWithdrawn, false) || m_dataRegion.size() == 0) {
        m_waitEndedFlag = false;
        settleProblems();
        return -1;
    }
    return readLiveBlock([](const QString &text) { return shmText(text); });
}

// --- Transport ---------------------------------------------------------------------------

bool FileMapSource::flagWordsPresent()
{
    const uint64_t bytes = m_flagRegion.size();
    if (bytes >= FlagWordsBytes)
        return true;
    reportProblem(shmText(QStringLiteral("область флага «%1» содержит %2 байт, нужно не меньше %3; "
                                         "блоки читаются без согласования")
                              .arg(m_flagRegion.name())
                              .arg(bytes)
                              .arg(FlagWordsBytes)));
    return false;
}

FlagWord FileMapSource::readFlag()
{
    FlagWord word;
    // A producer that ended, or started again, left us a region nobody writes any more.
    if (!m_orphanCheck.isValid() || m_orphanCheck.elapsed() >= OrphanCheckMs) {
        m_orphanCheck.start();
        if (m_flagRegion.isOrphaned() || m_dataRegion.isOrphaned()) {
            m_orphaned = true;
            reportProblem(shmText(QStringLiteral("области «%1» больше нет или она создана заново; "
                                                 "ожидание производителя")
                                      .arg(m_flagRegion.name())));
        }
    }
    if (m_orphaned || !flagWordsPresent())
        return word;
    // State first: its acquire orders the value and the block the producer wrote before it.
    int32_t state = FlagIdle, value = 0;
    if (!m_flagRegion.loadWord(0, state) || !m_flagRegion.loadWord(1, value))
        return word;
    m_flagRegion.loadWord(2, m_thirdWord);
    word.state = state;
    word.value = value;
    return word;
}

void FileMapSource::writeFlag(int32_t state, int32_t value)
{
    // Only our own answers move the state, each from the state it answers: a block offered
    // meanwhile is never overwritten. The producer leaves the words alone while the state is
    // "taken", so the value goes in first.
    int32_t now = 0;
    if (!m_flagRegion.isOpen() || m_flagRegion.size() < FlagWordsBytes ||
        !m_flagRegion.loadWord(0, now))
        return;
    if (state == FlagTaken) {
        if (m_flagRegion.exchangeWord(0, FlagBlockReady, FlagTaken))
            m_flagRegion.storeWord(1, value);
        else if (m_flag.state == FlagBlockReady)
            m_offerWithdrawn = true; // the producer is replacing the block it offered
    } else if (state == FlagIdle) {
        if (now == FlagTaken) {
            m_flagRegion.storeWord(1, value);
            m_flagRegion.exchangeWord(0, FlagTaken, FlagIdle);
        }
    } else {
        m_flagRegion.storeWord(1, value);
        m_flagRegion.storeWord(0, state);
    }
}

qint64 FileMapSource::recordSize()
{
    return qint64(std::min<uint64_t>(m_dataRegion.size(), uint64_t(INT64_MAX)));
}

void FileMapSource::setFileName(const QString &base)
{
    writeFlag(FlagIdle, m_flag.value);
    m_base = base;
    m_files.front().name = regionName("_blk0");
    m_flag.state = FlagIdle;
    m_namesChanged = true;
}

uint8_t FileMapSource::loadPostfixes()
{
    QByteArray bytes(int(std::min(m_postfixRegion.size(), PostfixSearchBytes)), '\0');
    bytes.resize(int(m_postfixRegion.readAt(0, bytes.data(), uint64_t(bytes.size()))));
    const uint64_t dataBytes = std::min<uint64_t>(m_dataRegion.size(), uint64_t(INT64_MAX));
    QString problem;
    const uint8_t result = takeLivePostfix(findPostfix(bytes), qint64(dataBytes), problem);
    if (!problem.isEmpty())
        reportProblem(shmText(QStringLiteral("«%1»: ").arg(m_postfixRegion.name()) + problem));
    const FileParams &p = fileParams();
    const uint64_t frame = p.frameBytes();
    if (postfixKnown() && !useUserParams() && frame)
        m_blockBytes = p.sampleCount > UINT64_MAX / frame ? UINT64_MAX : p.sampleCount * frame;
    else
        m_blockBytes = dataBytes;
    return result;
}

bool FileMapSource::readSamples()
{
    const uint64_t wanted = windowFrames(0);
    const uint64_t got = readWindow(0, [this](uint64_t offset, uint8_t *dst, uint64_t bytes) {
        return m_dataRegion.readAt(offset, dst, bytes);
    });
    if (got < wanted)
        reportProblem(shmText(QStringLiteral("область «%1» уменьшилась до %2 байт во время "
                                             "чтения; недостающие отсчёты равны 0")
                                  .arg(m_dataRegion.name())
                                  .arg(m_dataRegion.size())));
    return true;
}
