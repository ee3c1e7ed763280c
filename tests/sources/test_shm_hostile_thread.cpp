// Shared-memory regions that lie, break off or change under the viewer: every one is answered
// with a block and a clear message, never a crash (a shrinking region must not raise SIGBUS),
// a hang or a read past a region.
#include "LiveTestKit.h"

#include "sources/live/FileMapSource.h"
#include "sources/live/SharedRegion.h"

#include <QtTest>

#include <thread>

namespace {

// Refused: the description is said on the status line and the viewer waits for a mended one.
enum Outcome { Samples, Refused };

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
            << data << cut << 12ull << int(Refused) << 0ull << QString("BYTES_PER_SAMPLES_");
        QTest::newRow("postfix without its first key")
            << data << zeroEnded(QByteArray(postfix).replace("DEVICE_NAME", "DEVICE_NOME"))
            << 12ull << int(Refused) << 0ull << QString("DEVICE_NAME");
        QTest::newRow("claims beyond the region")
            << data << zeroEnded(formatPostfix(claims, "hostile")) << 12ull << int(Samples)
            << 1000ull << QString("описывает");
        QTest::newRow("4-byte flag region")
            << data << zeroEnded(postfix) << 4ull << int(Samples) << 1000ull
            << QString("флага");
        QTest::newRow("8-byte flag region: state and value are all it needs")
            << data << zeroEnded(postfix) << 8ull << int(Samples) << 1000ull << QString();
        QTest::newRow("empty flag region")
            << data << zeroEnded(postfix) << 0ull << int(Samples) << 0ull
            << QString("пуста");
        QTest::newRow("no postfix: the region gives the size")
            << data.left(4 * 777) << QByteArray(64, '\0') << 12ull << int(Samples) << 777ull
            << QString();
        QTest::newRow("a megabyte of text without markers")
            << data << QByteArray(3 << 20, 'a') << 12ull << int(Samples) << 1000ull << QString();
        QTest::newRow("data region of half a frame")
            << data.left(2) << zeroEnded(postfix) << 12ull << int(Refused) << 0ull
            << QString("кадр");
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
        // Never the box of a broken record file: the producer may mend its description.
        QVERIFY(!source.readError());
        QCOMPARE(source.lastBlock()->readStatus, 0);
        QCOMPARE(source.waitEndedFlag(), outcome == Samples);
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

    // A first producer the viewer cannot use, then a good one: the viewer says what it sees
    // and takes the good producer's first block by itself, without a stop and a start.
    void recoversFromABadProducer_data()
    {
        QTest::addColumn<QByteArray>("postfix");
        QTest::addColumn<int>("dataBytes");
        QTest::addColumn<bool>("replaced"); // the good producer makes new regions, else mends these
        QTest::addColumn<QString>("message");
        const FileParams good = layout16(2, 1000);
        FileParams none = good;
        none.channelCount = 0;
        none.channelNumbers.clear();
        FileParams wide = good;
        wide.bytesPerSample = 8;
        const FileParams many = layout16(5000, 1000);
        QTest::newRow("empty data region, then a new producer")
            << zeroEnded(formatPostfix(good, "bad")) << 0 << true << QString("пуста");
        QTest::newRow("0 channels") << zeroEnded(formatPostfix(none, "bad")) << 4000 << false
                                    << QString("NUMBER_OF_CHANNELS_");
        QTest::newRow("8-byte samples") << zeroEnded(formatPostfix(wide, "bad")) << 4000 << false
                                        << QString("BYTES_PER_SAMPLES_");
        QTest::newRow("5000 channels, not one frame in the block")
            << zeroEnded(formatPostfix(many, "bad")) << 4000 << false << QString("кадр");
    }

    void recoversFromABadProducer()
    {
        QFETCH(QByteArray, postfix);
        QFETCH(int, dataBytes);
        QFETCH(bool, replaced);
        QFETCH(QString, message);
        Regions regions(uniqueName("ormarecover"));
        const QByteArray data = frames16(2, 1000);
        const QByteArray good = zeroEnded(formatPostfix(layout16(2, 1000), "good"));
        QVERIFY(regions.make(data.left(dataBytes), postfix, 12));
        QVERIFY(regions.flag.storeWord(0, FlagBlockReady));
        FileMapSource source;
        source.setFileName(regions.base);
        readWholeRecord(source);
        BlockWaiter waiter(source);
        MessageLog log(source);
        QVERIFY(waiter.fetch(3000));
        QVERIFY(!source.waitEndedFlag());
        QVERIFY(!source.readError());
        QCOMPARE(source.lastBlock()->readStatus, 0);
        QTRY_VERIFY2(log.mentions(message), qPrintable(log.lines().join('\n')));

        if (replaced) {
            for (const char *suffix : {"_blk0", "_flg", "_postfix"})
                SharedRegion::unlink(regions.base + suffix);
            QVERIFY(regions.make(data, good, 12));
        } else {
            QVERIFY(regions.data.resize(uint64_t(data.size())));
            QVERIFY(regions.data.writeAt(0, data.constData(), uint64_t(data.size())));
            QVERIFY(regions.postfix.resize(uint64_t(good.size())));
            QVERIFY(regions.postfix.writeAt(0, good.constData(), uint64_t(good.size())));
        }
        QVERIFY(regions.flag.storeWord(0, FlagBlockReady));
        // Requests as the window's cycle makes them, until the good block comes.
        QElapsedTimer clock;
        clock.start();
        while (!(waiter.fetch(3000) && source.waitEndedFlag()) && clock.elapsed() < 5000) {
        }
        QVERIFY(source.waitEndedFlag());
        QCOMPARE(source.fileParams().sampleCount, 1000ull);
        QString why;
        QVERIFY2(blockHolds(*source.lastBlock(), data, layout16(2, 1000), 0, 1000, &why),
                 qPrintable(why));
        QTRY_VERIFY2(log.lines().last().isEmpty(), qPrintable(log.lines().join('\n'))); // the status line clears
        source.stopSource();
        QVERIFY(source.wait(1000));
    }

    // A block the memory cannot hold is said on the status line; the viewer waits on.
    void sampleBufferBeyondMemoryIsNamed()
    {
        Regions regions(uniqueName("ormamemory"));
        QVERIFY(regions.make(frames16(2, 20000), zeroEnded(formatPostfix(layout16(2, 20000), "big")), 4));
        FileMapSource source;
        source.setFileName(regions.base);
        readWholeRecord(source);
        source.setMemoryLimit(100000);
        source.setAllDataMode(true);
        BlockWaiter waiter(source);
        MessageLog log(source);
        QVERIFY(waiter.fetch());
        QCOMPARE(source.lastBlock()->readStatus, 0);
        QVERIFY(!source.waitEndedFlag());
        QTRY_VERIFY2(log.mentions("2 каналов × 20000 отсчётов × 8 байт"), qPrintable(log.lines().join('\n')));
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
