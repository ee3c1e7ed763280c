// Servers that lie, dribble, stall or hang up: every one is answered with a clear message and
// no block (or the block, where it is sound), never a crash, a hang, an allocation the peer
// asked for, or a worker that a stop cannot end within a second.
#include "LiveTestKit.h"

#include "sources/live/NetSource.h"
#include "sources/live/TcpChannel.h"

#include <QtTest>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <thread>

namespace {

constexpr uint32_t Frames = 512;

struct Fault {
    uint32_t refuse = 0;    // status -1 on this command
    uint32_t badMagic = 0;  // this command's reply carries a wrong magic
    qint64 sizeClaim = -1;  // the block size reported, -1: the real one
    int segment = 0;        // bytes per send, 0: all at once
    int stallAt = -1;       // block bytes sent before the peer goes silent
    int closeAt = -1;       // block bytes sent before the peer hangs up
    int segmentPauseUs = 20;
    bool neverReady = false; // the flag never offers a block
};

// A scripted server: a flag that always offers a block, and a block of two 16-bit channels
// with its postfix, served with the row's fault.
class HostilePeer {
public:
    HostilePeer(const Fault &fault, const QByteArray &block) : m_fault(fault), m_block(block)
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof at;
        ::bind(m_listen, reinterpret_cast<sockaddr *>(&at), sizeof at);
        ::listen(m_listen, 4);
        ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&at), &length);
        m_port = ntohs(at.sin_port);
        m_thread = std::thread([this] { acceptLoop(); });
    }
    ~HostilePeer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_listen);
    }
    uint16_t port() const { return m_port; }
    int connections() const { return m_connections; }
    int flagReads() const { return m_flagReads; }
    // What the next fetches serve (a producer that mends its block).
    void setBlock(const QByteArray &block)
    {
        std::lock_guard<std::mutex> lock(m_blockMutex);
        m_block = block;
    }

private:
    void acceptLoop()
    {
        while (!m_stop) {
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            ++m_connections;
            TcpChannel channel(::accept(m_listen, nullptr, nullptr));
            channel.setStopRequested([this] { return m_stop.load(); });
            while (serveRequest(channel)) {
            }
        }
    }

    bool send(TcpChannel &channel, const QByteArray &bytes, int limit = -1)
    {
        const int total = limit < 0 ? bytes.size() : std::min(limit, bytes.size());
        const int step = m_fault.segment > 0 ? m_fault.segment : std::max(total, 1);
        for (int at = 0; at < total; at += step) {
            if (!channel.send(bytes.constData() + at, size_t(std::min(step, total - at))))
                return false;
            if (m_fault.segment > 0)
                QThread::usleep(m_fault.segmentPauseUs);
        }
        return true;
    }

    QByteArray header(uint32_t command) const
    {
        net::Header h;
        h.command = command;
        h.status = command == m_fault.refuse ? net::StatusRefused : 0;
        if (command == m_fault.badMagic)
            h.magic = 0x12345678;
        return net::encodeHeader(h);
    }

    static QByteArray words(uint32_t a, uint32_t b)
    {
        QByteArray out(8, '\0');
        net::putWord(reinterpret_cast<uint8_t *>(out.data()), a);
        net::putWord(reinterpret_cast<uint8_t *>(out.data()) + 4, b);
        return out;
    }

    bool serveRequest(TcpChannel &channel)
    {
        uint8_t bytes[net::HeaderBytes];
        net::Header h;
        if (!channel.receive(bytes, sizeof bytes) || !net::decodeHeader(bytes, h) ||
            h.command == net::CmdClose || h.nameLength > net::MaxNameBytes)
            return false;
        QByteArray name(int(h.nameLength), '\0');
        if (!channel.receive(name.data(), size_t(name.size())))
            return false;
        const bool refused = h.command == m_fault.refuse || h.command == m_fault.badMagic;
        if (!send(channel, header(h.command)))
            return false;
        if (refused)
            return h.command != m_fault.badMagic;
        switch (h.command) {
        case net::CmdWriteFlag: {
            char flag[8];
            return channel.receive(flag, 8) && send(channel, header(h.command));
        }
        case net::CmdReadFlag:
            ++m_flagReads;
            return send(channel, words(uint32_t(m_fault.neverReady ? FlagIdle : FlagBlockReady), 0));
        case net::CmdBlockSize: {
            std::lock_guard<std::mutex> lock(m_blockMutex);
            m_served = m_block;
            return send(channel, words(m_fault.sizeClaim < 0 ? uint32_t(m_served.size())
                                                             : uint32_t(m_fault.sizeClaim), 0));
        }
        case net::CmdFetchBlock: {
            const QByteArray &block = m_served; // what the size query announced
            if (m_fault.stallAt >= 0) {
                send(channel, block, m_fault.stallAt);
                // Silent until the viewer hangs up or the test ends.
                while (!m_stop && !channel.readable())
                    QThread::msleep(10);
                return false;
            }
            if (m_fault.closeAt >= 0) {
                send(channel, block, m_fault.closeAt);
                return false;
            }
            return send(channel, block);
        }
        default:
            return false;
        }
    }

    Fault m_fault;
    std::mutex m_blockMutex;
    QByteArray m_block, m_served;
    std::atomic<int> m_flagReads{0};
    int m_listen = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    std::thread m_thread;
};

QByteArray frames16(uint64_t frames)
{
    std::vector<int> codes;
    for (uint64_t f = 0; f < frames; ++f)
        codes.insert(codes.end(), {int(f) - 256, 1000 - int(f)});
    return samples16(codes);
}

// A block of exactly 4096 bytes: samples, postfix, zero padding.
QByteArray block4096(uint64_t &frames)
{
    const QByteArray postfix = formatPostfix(layout16(2, 1), "hostile");
    frames = uint64_t(4096 - postfix.size() - 64) / 4;
    QByteArray block = frames16(frames) + formatPostfix(layout16(2, frames), "hostile");
    return block + QByteArray(4096 - block.size(), '\0');
}

enum Outcome { Block, NoBlock };

// Two channels whose codes differ from frame to frame over any distance, so that a block put
// together at a wrong offset cannot match.
QByteArray scrambled16(uint64_t frames)
{
    std::vector<int> codes;
    for (uint64_t f = 0; f < 2 * frames; ++f)
        codes.push_back(int((f * 2654435761u) >> 16 & 0xFFFF) - 32768);
    return samples16(codes);
}

void aimAt(NetSource &source, const HostilePeer &peer, uint64_t frames)
{
    source.setServerPort(peer.port());
    source.setFileName("hostile.bin");
    source.setPollInterval(1);
    source.setComputeSpectrum(false);
    source.setFftSize(64);
    source.setPosition(0, frames);
}

// Fetches until a block the producer offered arrives (as the window keeps asking), or 5 s pass.
bool fetchOffered(NetSource &source, BlockWaiter &waiter)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000)
        if (waiter.fetch(3000) && source.waitEndedFlag())
            return true;
    return false;
}

// One server's replies, replayed; whatever the client sends is taken.
class ReplayChannel : public net::ByteChannel {
public:
    explicit ReplayChannel(const QByteArray &replies) : m_replies(replies) {}
    bool send(const void *, size_t) override { return true; }
    bool receive(void *data, size_t bytes) override
    {
        if (bytes > size_t(m_replies.size() - m_at))
            return false;
        std::memcpy(data, m_replies.constData() + m_at, bytes);
        m_at += int(bytes);
        return true;
    }
    QString error() const override { return QStringLiteral("no more replies"); }

private:
    QByteArray m_replies;
    int m_at = 0;
};

} // namespace

Q_DECLARE_METATYPE(Fault)

class NetHostileTest : public QObject {
    Q_OBJECT
private slots:
    void answeredSafely_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("reconnects");
        Fault f;
        QTest::newRow("replies in 1-byte segments")
            << Fault{0, 0, -1, 1, -1, -1} << int(Block) << QString() << false;
        for (uint32_t command : {3u, 4u, 5u, 6u}) {
            f = Fault();
            f.refuse = command;
            // A refused flag read means no flag: the block is read at once, as for files.
            const bool noFlag = command == 4;
            QTest::newRow(qPrintable(QStringLiteral("status -1 on command %1").arg(command)))
                << f << int(command <= 4 ? Block : NoBlock)
                << (noFlag ? QString() : QStringLiteral("команде %1").arg(command)) << false;
        }
        for (uint32_t command : {4u, 5u, 6u}) {
            f = Fault();
            f.badMagic = command;
            QTest::newRow(qPrintable(QStringLiteral("bad magic on command %1").arg(command)))
                << f << int(NoBlock) << QString("метк") << true;
        }
        f = Fault();
        f.sizeClaim = 0;
        QTest::newRow("blockBytes 0") << f << int(NoBlock) << QString("размер блока 0") << false;
        f.sizeClaim = 0xFFFFFFFFll;
        QTest::newRow("blockBytes 0xFFFFFFFF on a 2 GiB machine")
            << f << int(NoBlock) << QString("4294967295 байт|больше предела в 1073741824 байт")
            << false;
        f = Fault();
        f.stallAt = 1000;
        QTest::newRow("stall in mid-block") << f << int(NoBlock) << QString("молчит") << true;
        f = Fault();
        f.closeAt = 1000;
        QTest::newRow("close in mid-block")
            << f << int(NoBlock) << QString("(блок, |закрыто собеседником") << true;
    }

    void answeredSafely()
    {
        QFETCH(Fault, fault);
        QFETCH(int, outcome);
        QFETCH(QString, message);
        QFETCH(bool, reconnects);
        const QByteArray block = frames16(Frames) + formatPostfix(layout16(2, Frames), "hostile");
        HostilePeer peer(fault, block);
        NetSource source;
        source.setServerPort(peer.port());
        source.setFileName("hostile.bin");
        source.setPollInterval(1);
        source.setReplyTimeout(700);
        source.setMemoryLimit(1u << 30);
        source.setComputeSpectrum(false);
        source.setFftSize(64);
        source.setPosition(0, Frames);
        BlockWaiter waiter(source);
        MessageLog log(source);
        QVERIFY(waiter.fetch(5000));
        QCOMPARE(source.waitEndedFlag(), outcome == Block);
        if (outcome == Block) {
            QString why;
            QVERIFY2(blockHolds(*source.lastBlock(), block, layout16(2, Frames), 0, Frames, &why),
                     qPrintable(why));
        } else {
            // Never sized from what the peer claims.
            QVERIFY(source.blockBytes() <= uint32_t(block.size()));
        }
        if (message.isEmpty())
            QVERIFY2(log.lines().isEmpty(), qPrintable(log.lines().join('\n')));
        for (const QString &words : message.split('|', Qt::SkipEmptyParts))
            QVERIFY2(log.mentions(words), qPrintable(log.lines().join('\n')));
        if (reconnects) {
            // The broken connection was closed; the next request connects again, after a pause.
            QElapsedTimer pause;
            pause.start();
            QVERIFY(waiter.fetch(5000));
            QCOMPARE(peer.connections(), 2);
            QVERIFY(pause.elapsed() >= NetSource::ReconnectPauseMs / 2);
        }
        source.stopSource();
        QVERIFY(source.wait(1000));
    }

    // Over a megabyte and not a whole number of them: the fetch's last step asks for what
    // remains, and every byte lands where it belongs.
    void blockOverAMegabyteArrivesWhole()
    {
        const uint64_t frames = (1u << 20) / 4 + 12345;
        const QByteArray block = scrambled16(frames) + formatPostfix(layout16(2, frames), "big");
        HostilePeer peer(Fault(), block);
        NetSource source;
        aimAt(source, peer, frames);
        BlockWaiter waiter(source);
        QVERIFY(waiter.fetch());
        QVERIFY(source.waitEndedFlag());
        QCOMPARE(source.blockBytes(), uint32_t(block.size()));
        QCOMPARE(source.fileParams().sampleCount, frames);
        QString why;
        QVERIFY2(blockHolds(*source.lastBlock(), block, layout16(2, frames), 0, frames, &why),
                 qPrintable(why));
    }

    void blockSizeIsBoundedByMemoryNotByAFixedLimit_data()
    {
        QTest::addColumn<qulonglong>("claim");
        QTest::addColumn<bool>("taken");
        // On a machine with 2 GiB: half of it for one block.
        QTest::newRow("16 channels of 4M 4-byte samples")
            << qulonglong(16ull * 4 * 1024 * 1024 * 4 + 4096) << true;
        QTest::newRow("at the limit") << qulonglong(1ull << 30) << true;
        QTest::newRow("a byte over it") << qulonglong((1ull << 30) + 1) << false;
    }

    void blockSizeIsBoundedByMemoryNotByAFixedLimit()
    {
        QFETCH(qulonglong, claim);
        QFETCH(bool, taken);
        net::Header h;
        h.command = net::CmdBlockSize;
        QByteArray words(8, '\0');
        net::putWord(reinterpret_cast<uint8_t *>(words.data()), uint32_t(claim));
        ReplayChannel channel(net::encodeHeader(h) + words);
        net::Client client(channel);
        client.setBlockLimit(1ull << 30);
        uint32_t bytes = 0;
        const net::Client::Result result = client.blockSize("hostile.bin", bytes);
        QCOMPARE(result, taken ? net::Client::Done : net::Client::Refused);
        if (!taken) // both sizes named
            QVERIFY2(client.error().contains(QString::number(claim)) &&
                         client.error().contains(QString::number(1ull << 30)),
                     qPrintable(client.error()));
    }

    // The producer pays for every look at its flag: one that offers nothing is asked less
    // and less often.
    void idleProducerIsPolledLessAndLess()
    {
        Fault fault;
        fault.neverReady = true;
        HostilePeer peer(fault, frames16(Frames) + formatPostfix(layout16(2, Frames), "idle"));
        NetSource source;
        aimAt(source, peer, Frames);
        BlockWaiter waiter(source);
        QVERIFY(waiter.fetch()); // the first block is read at once, as after every start
        source.requestData();
        QTest::qWait(300);
        const int before = peer.flagReads();
        QTest::qWait(1000);
        const int polls = peer.flagReads() - before;
        // Once a millisecond that was some 600 round trips a second; at a pause of 50 ms, 20.
        QVERIFY2(polls <= 40, qPrintable(QString::number(polls)));
        QVERIFY2(polls >= 10, qPrintable(QString::number(polls)));
        QCOMPARE(waiter.count(), 1);
        source.stopSource();
        QVERIFY(source.wait(1000));
    }

    void refusedDescriptionWaitsForAMendedOne_data()
    {
        QTest::addColumn<QByteArray>("postfix");
        QTest::addColumn<QString>("message");
        FileParams none = layout16(2, Frames);
        none.channelCount = 0;
        none.channelNumbers.clear();
        FileParams wide = layout16(2, Frames);
        wide.bytesPerSample = 8;
        QTest::newRow("0 channels") << formatPostfix(none, "bad") << QString("NUMBER_OF_CHANNELS_");
        QTest::newRow("8-byte samples") << formatPostfix(wide, "bad") << QString("BYTES_PER_SAMPLES_");
    }

    void refusedDescriptionWaitsForAMendedOne()
    {
        QFETCH(QByteArray, postfix);
        QFETCH(QString, message);
        const QByteArray data = frames16(Frames);
        HostilePeer peer(Fault(), data + postfix);
        NetSource source;
        aimAt(source, peer, Frames);
        BlockWaiter waiter(source);
        MessageLog log(source);
        QVERIFY(waiter.fetch());
        // No box that stops acquisition: the status line says it, the viewer waits.
        QVERIFY(!source.readError());
        QCOMPARE(source.lastBlock()->readStatus, 0);
        QVERIFY(!source.waitEndedFlag());
        QTRY_VERIFY2(log.mentions(message) && log.mentions("ожидание"),
                     qPrintable(log.lines().join('\n')));
        const QByteArray good = data + formatPostfix(layout16(2, Frames), "good");
        peer.setBlock(good);
        QVERIFY(fetchOffered(source, waiter));
        QString why;
        QVERIFY2(blockHolds(*source.lastBlock(), good, layout16(2, Frames), 0, Frames, &why),
                 qPrintable(why));
        QTRY_VERIFY(log.lines().last().isEmpty());
    }

    void slowBlockSaysHowMuchHasCome()
    {
        Fault fault;
        fault.segment = 1;
        fault.segmentPauseUs = 1000; // a byte a millisecond
        const QByteArray block = frames16(Frames) + formatPostfix(layout16(2, Frames), "slow");
        HostilePeer peer(fault, block);
        NetSource source;
        aimAt(source, peer, Frames);
        BlockWaiter waiter(source);
        MessageLog log(source);
        source.requestData();
        const QString total = QStringLiteral(" из %1 байт").arg(block.size());
        QTRY_VERIFY_WITH_TIMEOUT(log.mentions("получено") && log.mentions(total), 2000);
        QCOMPARE(waiter.count(), 0);
        QVERIFY(waiter.waitFor(1, 10000));
        QString why;
        QVERIFY2(blockHolds(*source.lastBlock(), block, layout16(2, Frames), 0, Frames, &why),
                 qPrintable(why));
        QTRY_VERIFY(log.lines().last().isEmpty()); // whole now: the status line clears
    }

    void blockOf4096BytesIsAllPostfixTail()
    {
        uint64_t frames = 0;
        const QByteArray block = block4096(frames);
        QCOMPARE(block.size(), 4096);
        HostilePeer peer(Fault(), block);
        NetSource source;
        source.setServerPort(peer.port());
        source.setPollInterval(1);
        source.setComputeSpectrum(false);
        source.setFftSize(64);
        source.setPosition(0, 4096);
        BlockWaiter waiter(source);
        QVERIFY(waiter.fetch());
        QCOMPARE(source.blockBytes(), 4096u);
        QCOMPARE(source.fileParams().sampleCount, frames);
        QString why;
        QVERIFY2(blockHolds(*source.lastBlock(), block, layout16(2, frames), 0, frames, &why),
                 qPrintable(why));
    }

    void stopEndsAStalledExchangeWithinASecond()
    {
        Fault fault;
        fault.stallAt = 10;
        HostilePeer peer(fault, frames16(Frames) + formatPostfix(layout16(2, Frames), "x"));
        NetSource source;
        source.setServerPort(peer.port());
        source.setPollInterval(1);
        BlockWaiter waiter(source);
        source.requestData();
        QTest::qWait(300);
        QElapsedTimer stopping;
        stopping.start();
        source.stopSource();
        QVERIFY(source.wait(1000));
        QVERIFY(stopping.elapsed() < 1000);
        QCOMPARE(waiter.count(), 0);
    }
};

QTEST_GUILESS_MAIN(NetHostileTest)
#include "test_net_hostile_thread.moc"
