// The flag-file handshake against a live producer: the viewer parks until a block is offered,
// answers with state 1 and value 0, reads the grown record, and can be interrupted or stopped
// while it waits.
#include "SourceTestKit.h"

#include "sources/record/FileSource.h"
#include "sources/record/RecordProducer.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

FlagWord flagOf(const QString &path)
{
    FlagFile flag;
    flag.setPath(path);
    FlagWord word{99, 99};
    flag.read(word);
    return word;
}

} // namespace

class HandshakeTest : public QObject {
    Q_OBJECT
private slots:
    void viewerFollowsTheProducer()
    {
        QTemporaryDir dir;
        const QString record = dir.filePath("live.bin");
        RecordRecipe recipe = defaultRecordRecipe();
        recipe.params.sampleCount = 2048; // per block
        recipe.tones = {{12345, 20000, 0}};
        RecordProducer producer(record, recipe);
        QVERIFY(producer.start());
        QVERIFY(producer.appendBlock());

        FileSource source;
        source.setFileName(record);
        source.setPollInterval(5);
        BlockWaiter waiter(source);
        // A new source does not wait: it reads what is there and answers "taken".
        QVERIFY(waiter.fetch());
        QCOMPARE(source.fileParams().sampleCount, 2048ull);
        QCOMPARE(flagOf(producer.flagPath()).state, FlagTaken);

        // The next request parks: the viewer turns its own 1 into 0 and waits for -1.
        source.requestData();
        QTRY_VERIFY(source.waitingFlag());
        QCOMPARE(flagOf(producer.flagPath()).state, FlagIdle);
        QTest::qWait(50);
        QCOMPARE(waiter.count(), 1);

        QVERIFY(producer.appendBlock());
        producer.announce(1000);
        QTRY_COMPARE(waiter.count(), 2);
        const FlagWord answer = flagOf(producer.flagPath());
        QCOMPARE(answer.state, FlagTaken);
        QCOMPARE(answer.value, 0);
        QVERIFY(source.waitEndedFlag());
        QVERIFY(!source.waitingFlag());
        QCOMPARE(source.fileParams().sampleCount, 4096ull);
        QVERIFY(qAbs(source.channelRecord(0)->fundamentalFrequency - 12345) < 1);
        source.setParamsChanged(false);

        // A stop ends a parked wait without delivering anything.
        source.requestData();
        QTRY_VERIFY(source.waitingFlag());
        source.stopSource();
        QVERIFY(source.wait(5000));
        QTest::qWait(20);
        QCOMPARE(waiter.count(), 2);
        QVERIFY(!source.isRequestPending());
        // The thread starts again on the next request.
        producer.announce(0);
        QVERIFY(waiter.fetch());

        // A hold interrupts the wait: the block is served at once.
        source.requestData();
        QTRY_VERIFY(source.waitingFlag());
        {
            SourceHold hold(source);
            source.setFftSize(2048);
        }
        QTRY_COMPARE(waiter.count(), 4);
        QCOMPARE(source.fftSize(), 2048u);
    }
};

QTEST_GUILESS_MAIN(HandshakeTest)
#include "test_handshake_thread.moc"
