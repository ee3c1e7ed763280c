// Shared-memory regions that lie, break off or change under the viewer: every one is answered
// with a block and a clear message, never a crash (a shrinking region must not raise SIGBUS),
// a hang or a read past a region.
#include "LiveTestKit.h"

#include "sources/live/FileMapSource.h"
#include "sources/live/SharedRegion.h"

#include <QtTest>

#include <thread>

namespace {

enum Outcome { Samples, PostfixFault };

// The three regions of one producer, made by the test as it likes them, removed at the end.
struct Regions {
    explicit Regions(const QString &base) : base(base) {}
    ~Regions()
    {
        for (const char *suffix : {"_blk0", "_flg", "_postfix"})
            SharedRegion::unlink(base + suffix);
    }
    bool make(const QByteArray &data, const QByteArray &postfix, uint64_t flagBytes)
    {
        return put(this->data, "_blk0", data) && put(this->postfix, "_postfix", postfix) &&
               put(flag, "_flg", QByteArray(int(flagBytes), '\0'));
    }
    bool put(SharedRegion &region, const char *suffix, const QByteArray &bytes)
    {
        return region.create(base + suffix, uint64_t(bytes.size())) &&
               region.writeAt(0, bytes.constData(), uint64_t(bytes.size()));
    }
    QString base;
    SharedRegion data, flag, postfix;
};

QByteArray frames16(uint32_t channels, uint64_t frames)
{
    std::vector<int> codes;
    for (uint64_t f = 0; f < frames; ++f)
        for (uint32_t c = 0; c < channels; ++c)
            codes.push_back(int(f % 1000) - 500 + int(c));
    return samples16(codes);
}

QByteArray zeroEnded(QByteArray text) { return text.append('\0'); }

void readWholeRecord(FileMapSource &source)
{
    source.setPollInterval(1);
    source.setComputeSpectrum(false);
    source.setFftSize(64);
    source.setPosition(0, 1 << 16);
    // A postfix-less block is read as two 16-bit channels.
    FileParams user = layout16(2, 0);
    source.setUserFileParams(user);
}

} // namespace

class ShmHostileTest : public QObject {
    Q_OBJECT
private slots:
    void answeredSafely_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("postfix");
        QTest::addColumn<qulonglong>("flagBytes");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<qulonglong>("samples");
        QTest::addColumn<QString>("message");
        const FileParams two = layout16(2, 1000);
        FileParams claims = two;
        claims.sampleCount = 1000000000000ull;
        const QByteArray data = frames16(2, 1000);
        const QByteArray postfix = formatPostfix(two, "hostile");

        QTest::newRow("postfix without terminator")
            << data << postfix << 12ull << int(Samples) << 1000ull << QString();
        QByteArray cut = postfix;
        cut.insert(cut.indexOf("BYTES"), '\0');
        QTest::newRow("postfix cut short by a zero byte")
            << data << cut << 12ull << int(PostfixFault) << 0ull << QString("ошибки");
        QTest::newRow("postfix without its first key")
            << data << zeroEnded(QByteArray(postfix).replace("DEVICE_NAME", "DEVICE_NOME"))
            << 12ull << int(PostfixFault) << 0ull << QString("DEVICE_NAME");
        QTest::newRow("claims beyond the region")
            << data << zeroEnded(formatPostfix(claims, "hostile")) << 12ull << int(Samples)
            << 1000ull << QString("описывает");
        QTest::newRow("4-byte flag region")
            << data << zeroEnded(postfix) << 4ull << int(Samples) << 1000ull
            << QString("флага");
        QTest::newRow("empty flag region")
            << data << zeroEnded(postfix) << 0ull << int(Samples) << 0ull
            << QString("пуста");
        QTest::newRow("no postfix: the region gives the size")
            << data.left(4 * 777) << QByteArray(64, '\0') << 12ull << int(Samples) << 777ull
            << QString();
        QTest::newRow("a megabyte of text without markers")
            << data << QByteArray(3 << 20, 'a') << 12ull << int(Samples) << 1000ull << QString();
        QTest::newRow("data region of half a frame")
            << data.left(2) << zeroEnded(postfix) << 12ull << int(Samples) << 0ull
            << QString("описывает");
    }

    void answeredSafely()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, postfix);
        QFETCH(qulonglong, flagBytes);
        QFETCH(int, outcome);
        QFETCH(qulonglong, samples);
        QFETCH(QString, message);
        Regions regions(uniqueName("ormahostile"));
        QVERIFY(regions.make(data, postfix, flagBytes));
        FileMapSource source;
        source.setFileName(regions.base);
        readWholeRecord(source);
        BlockWaiter waiter(source);
        MessageLog log(source);
        if (flagBytes == 0) {
            // Not a flag region yet: the viewer waits for the producer, and stops when told.
            source.requestData();
            QTRY_VERIFY(log.mentions(message));
            source.stopSource();
            QVERIFY(source.wait(1000));
            QCOMPARE(waiter.count(), 0);
            return;
        }
        QVERIFY(waiter.fetch());
        QCOMPARE(source.readError(), outcome == PostfixFault);
        if (outcome == Samples) {
            QCOMPARE(source.fileParams().sampleCount, samples);
            QCOMPARE(source.lastBlock()->sampleLength, samples);
        }
        if (outcome == Samples && samples > 0) {
            QString why;
            QVERIFY2(blockHolds(*source.lastBlock(), data, layout16(2, samples), 0, samples, &why),
                     qPrintable(why));
        }
        if (message.isEmpty())
            QVERIFY2(log.lines().isEmpty(), qPrintable(log.lines().join('\n')));
        else
            QVERIFY2(log.mentions(message), qPrintable(log.lines().join('\n')));
        // A second block behaves the same (no handshake without flag words; a stop otherwise).
        source.stopSource();
        QVERIFY(source.wait(1000));
    }

    void shrinkingRegionCostsSamplesNotTheProcess()
    {
        Regions regions(uniqueName("ormashrink"));
        const QByteArray data = frames16(2, 20000);
        // No flag words: every request reads at once, as fast as the test asks.
        QVERIFY(regions.make(data, zeroEnded(formatPostfix(layout16(2, 20000), "shrink")), 4));
        FileMapSource source;
        source.setFileName(regions.base);
        readWholeRecord(source);
        BlockWaiter waiter(source);
        MessageLog log(source);
        QVERIFY(waiter.fetch());
        QCOMPARE(source.fileParams().sampleCount, 20000ull);

        // Shrunk between blocks: the block ends where the region ends now.
        QVERIFY(regions.data.resize(4 * 3000 + 1));
        QVERIFY(waiter.fetch());
        QCOMPARE(source.fileParams().sampleCount, 3000ull);
        QVERIFY(log.mentions("описывает"));
        QString why;
        QVERIFY2(blockHolds(*source.lastBlock(), data, layout16(2, 3000), 0, 3000, &why),
                 qPrintable(why));

        // Shrunk and grown again while blocks are being copied: whatever a block gets, the
        // viewer lives on and never reads past the region.
        std::atomic<bool> done{false};
        std::thread resizing([&] {
            SharedRegion region;
            region.open(regions.base + "_blk0");
            for (uint64_t i = 0; !done; ++i) {
                region.resize(i % 2 ? 0 : uint64_t(data.size()));
                if (i % 2 == 0)
                    region.writeAt(0, data.constData(), uint64_t(data.size()));
                std::this_thread::yield();
            }
        });
        for (int k = 0; k < 40; ++k) {
            source.requestData();
            // An emptied region waits for data: the stop below ends that wait.
            if (!waiter.waitFor(waiter.count() + 1, 3000))
                break;
        }
        done = true;
        resizing.join();
        source.stopSource();
        QVERIFY(source.wait(1000));
        regions.data.resize(uint64_t(data.size()));
        regions.data.writeAt(0, data.constData(), uint64_t(data.size()));
        // As the window does on every start: the read window is set again.
        source.setPosition(0, 1 << 16);
        QVERIFY(waiter.fetch());
        QCOMPARE(source.fileParams().sampleCount, 20000ull);
        QVERIFY2(blockHolds(*source.lastBlock(), data, layout16(2, 20000), 0, 20000, &why),
                 qPrintable(why));
    }
};

QTEST_GUILESS_MAIN(ShmHostileTest)
#include "test_shm_hostile_thread.moc"
