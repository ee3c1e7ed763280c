// The network source against the reference server: a record served whole equals the file, a
// record served block by block arrives so without a block lost, a viewer started before
// the server waits for it and stops at once, and a stop says goodbye with command 2.
#include "LiveTestKit.h"

#include "sources/live/NetSource.h"
#include "sources/live/RecordServer.h"
#include "sources/record/RecordWriter.h"

#include <QTemporaryDir>
#include <QtTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

RecordRecipe recordRecipe(uint32_t channels, uint64_t frames)
{
    RecordRecipe recipe = defaultRecordRecipe();
    recipe.params = layout16(channels, frames);
    recipe.tones = {{2345.6, 15000, 0}};
    recipe.noiseRms = 4;
    return recipe;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void connectTo(NetSource &source, uint16_t port, const QString &name)
{
    source.setServerAddress("127.0.0.1");
    source.setServerPort(port);
    source.setFileName(name);
    source.setPollInterval(1);
    source.setComputeSpectrum(false);
    source.setFftSize(64);
    source.setPosition(0, 1 << 20);
}

// A port the system picked (bind to 0) and holds for us without listening: a connection
// there is refused, and no parallel test can be given it. The server reuses the address to
// take it over while we still hold it.
class ReservedPort {
public:
    ReservedPort() : m_fd(::socket(AF_INET, SOCK_STREAM, 0))
    {
        const int one = 1;
        ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof at;
        ::bind(m_fd, reinterpret_cast<sockaddr *>(&at), sizeof at);
        ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&at), &length);
        m_port = ntohs(at.sin_port);
    }
    ~ReservedPort() { ::close(m_fd); }
    uint16_t port() const { return m_port; }

private:
    int m_fd;
    uint16_t m_port = 0;
};

} // namespace

class NetSourceTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void recordServedWholeEqualsTheFile()
    {
        const QString path = m_dir.filePath("whole.bin");
        const RecordRecipe recipe = recordRecipe(3, 5000);
        QVERIFY(writeRecordFile(path, recipe, true));
        RecordServer server({path}, {});
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        NetSource source;
        connectTo(source, server.port(), "whole.bin");
        BlockWaiter waiter(source);
        MessageLog log(source);
        QVERIFY(waiter.fetch());
        QCOMPARE(source.blockBytes(), uint32_t(QFileInfo(path).size()));
        QCOMPARE(source.fileParams().sampleCount, 5000ull);
        QString why;
        QVERIFY2(blockHolds(*source.lastBlock(), fileBytes(path), recipe.params, 0, 5000, &why),
                 qPrintable(why));
        // No flag file beside the record: the server refuses the flag, every request reads.
        QVERIFY(waiter.fetch());
        QVERIFY(source.waitEndedFlag());
        QVERIFY2(log.lines().isEmpty(), qPrintable(log.lines().join('\n')));

        // A stop closes the connection with command 2.
        source.stopSource();
        QVERIFY(source.wait(1000));
        QTRY_COMPARE(server.closesReceived(), 1);
    }

    void liveRecordArrivesBlockByBlock()
    {
        const QString path = m_dir.filePath("grown.bin");
        const RecordRecipe recipe = recordRecipe(2, 8 * 1024);
        QVERIFY(writeRecordFile(path, recipe, true));
        RecordServer::Options options;
        options.periodMs = 20;
        options.blockSamples = 1024;
        RecordServer server({path}, options);
        QVERIFY(server.start());
        NetSource source;
        connectTo(source, server.port(), "grown.bin");
        BlockWaiter waiter(source);
        const QByteArray record = fileBytes(path);
        // Each block is offered through the server's flag, the next only once the viewer is
        // back: none is skipped while the viewer keeps up. After the record's end it starts over.
        // Until a viewer takes one, the server replaces its offer: the first block is any.
        QVERIFY(waiter.fetch());
        uint64_t first = 0;
        QString why;
        while (first < 8 &&
               !blockHolds(*source.lastBlock(), record, recipe.params, first * 1024, 1024, &why))
            ++first;
        QVERIFY2(first < 8, qPrintable(why));
        for (uint64_t k = 1; k < 10; ++k) {
            QVERIFY(waiter.fetch());
            QVERIFY(source.waitEndedFlag());
            QCOMPARE(source.fileParams().sampleCount, 1024ull);
            QVERIFY2(blockHolds(*source.lastBlock(), record, recipe.params,
                                (first + k) % 8 * 1024, 1024, &why),
                     qPrintable(QStringLiteral("block %1: %2").arg(k).arg(why)));
        }
    }

    void viewerWaitsForALateServerAndStops()
    {
        const QString path = m_dir.filePath("late.bin");
        const RecordRecipe recipe = recordRecipe(1, 2000);
        QVERIFY(writeRecordFile(path, recipe, true));
        const ReservedPort reserved;
        const uint16_t port = reserved.port();
        QVERIFY(port != 0);
        NetSource source;
        connectTo(source, port, "late.bin");
        BlockWaiter waiter(source);
        MessageLog log(source);
        source.requestData();
        QTRY_VERIFY(log.mentions("нет соединения"));
        QVERIFY(source.waitingFlag());
        // Refused connections are retried with a pause, not in a busy loop.
        QTest::qWait(300);
        QCOMPARE(log.lines().size(), 1);
        QElapsedTimer stopping;
        stopping.start();
        source.stopSource();
        QVERIFY(source.wait(1000));
        QVERIFY(stopping.elapsed() < 1000);
        QCOMPARE(waiter.count(), 0);

        RecordServer::Options options;
        options.port = port;
        RecordServer server({path}, options);
        source.requestData();
        QTest::qWait(100);
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        QVERIFY(waiter.waitFor(1));
        QCOMPARE(source.fileParams().sampleCount, 2000ull);
        QString why;
        QVERIFY2(blockHolds(*source.lastBlock(), fileBytes(path), recipe.params, 0, 2000, &why),
                 qPrintable(why));
    }
};

QTEST_GUILESS_MAIN(NetSourceTest)
#include "test_net_thread.moc"
