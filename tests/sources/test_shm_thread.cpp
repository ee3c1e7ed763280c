// The shared-memory source against the reference producer: blocks arrive one by one and equal
// what was published, none is lost while the viewer keeps up, and a viewer started before the
// producer waits for it and still stops at once.
#include "LiveTestKit.h"

#include "sources/live/FileMapSource.h"
#include "sources/live/ShmProducer.h"

#include <QtTest>

#include <thread>

namespace {

RecordRecipe blockRecipe(uint32_t channels, uint64_t frames)
{
    RecordRecipe recipe = defaultRecordRecipe();
    recipe.params = layout16(channels, frames);
    // Block k carries frames k*S...: a lost or repeated block shows as a phase jump.
    recipe.tones = {{1234.5, 20000, 10}};
    return recipe;
}

void readWholeBlocks(FileMapSource &source, uint64_t frames)
{
    source.setPollInterval(1);
    source.setComputeSpectrum(false);
    source.setFftSize(1024);
    source.setPosition(0, frames);
}

} // namespace

class ShmSourceTest : public QObject {
    Q_OBJECT
private slots:
    void everyBlockArrivesAsPublished()
    {
        const QString base = uniqueName("ormashm");
        const RecordRecipe recipe = blockRecipe(3, 4096);
        ShmProducer producer(base, recipe);
        QVERIFY(producer.start());
        RecordSynthesizer expected(recipe);

        FileMapSource source;
        source.setFileName(base);
        readWholeBlocks(source, 4096);
        BlockWaiter waiter(source);
        MessageLog log(source);
        QVERIFY(waiter.fetch());
        QCOMPARE(source.fileParams().channelCount, 3u);
        QCOMPARE(source.fileParams().sampleCount, 4096ull);
        QCOMPARE(source.blockBytes(), 4096ull * 3 * 2);
        QString why;
        QVERIFY2(blockHolds(*source.lastBlock(), expected.frames(0, 4096), recipe.params, 0, 4096,
                            &why), qPrintable(why));

        // The producer runs on its own; the viewer asks for block after block as the window
        // does. Each block is published only once the viewer is back from the last one.
        constexpr int Blocks = 12;
        std::atomic<int> published{1};
        std::thread producing([&] {
            for (int k = 1; k < Blocks; ++k)
                if (producer.publishBlock(5000))
                    ++published;
        });
        for (int k = 1; k < Blocks; ++k) {
            QVERIFY2(waiter.fetch(), qPrintable(QStringLiteral("block %1 did not arrive").arg(k)));
            QVERIFY(source.waitEndedFlag());
            QVERIFY2(blockHolds(*source.lastBlock(), expected.frames(uint64_t(k) * 4096, 4096),
                                recipe.params, 0, 4096, &why),
                     qPrintable(QStringLiteral("block %1: %2").arg(k).arg(why)));
        }
        producing.join();
        QCOMPARE(published.load(), Blocks);
        QCOMPARE(producer.blocksSkipped(), 0ull);
        QVERIFY2(log.lines().isEmpty(), qPrintable(log.lines().join('\n')));

        // A parked viewer: nothing is delivered until the next block is offered.
        source.requestData();
        QTRY_VERIFY(source.waitingFlag());
        QTest::qWait(30);
        QCOMPARE(waiter.count(), Blocks);
        QVERIFY(producer.publishBlock(2000));
        QVERIFY(waiter.waitFor(Blocks + 1));
        QVERIFY(blockHolds(*source.lastBlock(), expected.frames(uint64_t(Blocks) * 4096, 4096),
                           recipe.params, 0, 4096, &why));

        // A hold lets the parked viewer go on at once with what is there; the next request
        // waits for the producer again.
        source.requestData();
        QTRY_VERIFY(source.waitingFlag());
        {
            SourceHold hold(source);
            source.setFftSize(512);
        }
        QVERIFY(waiter.waitFor(Blocks + 2));
        source.setParamsChanged(false);
        source.setSettingsChanged(false);
        source.requestData();
        QTRY_VERIFY(source.waitingFlag());
        QTest::qWait(30);
        QCOMPARE(waiter.count(), Blocks + 2);
        QVERIFY(producer.publishBlock(2000));
        QVERIFY(waiter.waitFor(Blocks + 3));

        // Stopped and asked again, the viewer opens the regions anew and goes on.
        source.stopSource();
        QVERIFY(source.wait(1000));
        QVERIFY(producer.publishBlock(2000));
        QVERIFY(waiter.fetch());
        QVERIFY(blockHolds(*source.lastBlock(), expected.frames(uint64_t(Blocks + 2) * 4096, 4096),
                           recipe.params, 0, 4096, &why));

        // A long pause between blocks (the window's pacing) does not hold up a stop.
        source.setPollInterval(5000);
        source.requestData();
        QTest::qWait(50);
        QElapsedTimer stopping;
        stopping.start();
        source.stopSource();
        QVERIFY(source.wait(1000));
        QVERIFY(stopping.elapsed() < 1000);
    }

    void viewerFollowsAProducerThatStartsAgain()
    {
        const QString base = uniqueName("ormaagain");
        const RecordRecipe first = blockRecipe(2, 1024);
        auto producer = std::make_unique<ShmProducer>(base, first);
        QVERIFY(producer->start());
        FileMapSource source;
        source.setFileName(base);
        readWholeBlocks(source, 1024);
        BlockWaiter waiter(source);
        MessageLog log(source);
        QVERIFY(waiter.fetch());

        // The parked viewer holds the old regions; the producer removes them and starts over
        // with another layout under the same names.
        source.requestData();
        QTRY_VERIFY(source.waitingFlag());
        producer.reset();
        const RecordRecipe second = blockRecipe(3, 2048);
        producer = std::make_unique<ShmProducer>(base, second);
        QVERIFY(producer->start());
        QVERIFY(waiter.waitFor(2));
        QVERIFY(!source.waitEndedFlag());
        QVERIFY(log.mentions(base + "_flg"));
        source.setPosition(0, 2048);
        QVERIFY(waiter.fetch());
        QCOMPARE(source.fileParams().channelCount, 3u);
        RecordSynthesizer expected(second);
        QString why;
        QVERIFY2(blockHolds(*source.lastBlock(), expected.frames(0, 2048), second.params, 0, 2048,
                            &why), qPrintable(why));
    }

    void viewerWaitsForLateRegionsAndStops()
    {
        const QString base = uniqueName("ormalate");
        FileMapSource source;
        source.setFileName(base);
        readWholeBlocks(source, 1024);
        BlockWaiter waiter(source);
        MessageLog log(source);

        // No producer yet: the viewer waits, says for what, and a stop ends the wait at once.
        source.requestData();
        QTRY_VERIFY(source.waitingFlag());
        QTRY_VERIFY(log.mentions(base + "_flg"));
        QElapsedTimer stopping;
        stopping.start();
        source.stopSource();
        QVERIFY(source.wait(1000));
        QVERIFY(stopping.elapsed() < 1000);
        QTest::qWait(20);
        QCOMPARE(waiter.count(), 0);
        QVERIFY(!source.isRequestPending());
        QVERIFY(!source.signalsBlocked());

        // Asked again, it waits until the producer appears and then serves its first block.
        source.requestData();
        QTRY_VERIFY(source.waitingFlag());
        const RecordRecipe recipe = blockRecipe(2, 1024);
        ShmProducer producer(base, recipe);
        QVERIFY(producer.start());
        QVERIFY(waiter.waitFor(1));
        QCOMPARE(source.fileParams().sampleCount, 1024ull);
        RecordSynthesizer expected(recipe);
        QString why;
        QVERIFY2(blockHolds(*source.lastBlock(), expected.frames(0, 1024), recipe.params, 0, 1024,
                            &why), qPrintable(why));
        QVERIFY(producer.waitTaken(0));
    }
};

QTEST_GUILESS_MAIN(ShmSourceTest)
#include "test_shm_thread.moc"
