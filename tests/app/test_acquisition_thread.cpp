// Acquisition control on its own, with a display that only counts: the generator paced block by
// block, a single start, a failed read, and blocks still queued from a source replaced since.
#include "app/AcquisitionControl.h"
#include "app/SourceKinds.h"
#include "sources/generator/SignalSimulation.h"
#include "sources/generator/SimulationSettings.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

namespace {

struct CountingDisplay : BlockDisplay {
    AcquisitionControl *control = nullptr;
    int shown = 0;
    int stops = 0;
    std::vector<const BlockSnapshot *> blocks;
    bool showBlock() override
    {
        ++shown;
        blocks.push_back(control->block().get());
        return control->yieldAndCheck();
    }
    void stopAcquisition() override
    {
        ++stops;
        control->markStopped();
        control->stopSource();
    }
    void reportReadFailure(const QString &message) override { failures << message; }
    QStringList failures;
};

struct Rig {
    CountingDisplay display;
    AcquisitionControl control{display};
    Rig() { display.control = &control; }
    ~Rig() { control.shutDown(); }

    void installGenerator()
    {
        auto source = std::make_unique<SignalSimulation>();
        applySimulation(*source, SimulationSettings());
        control.install(KindSimulation, std::move(source));
    }
    void start(int periodMs)
    {
        control.setPeriod(periodMs);
        control.beginRun();
        control.requestFirstBlock();
    }
    bool waitShown(int count, int timeoutMs = 10000)
    {
        QElapsedTimer t;
        t.start();
        while (display.shown < count && t.elapsed() < timeoutMs)
            QTest::qWait(5);
        return display.shown >= count;
    }
};

// A source whose every read fails, as a vanished record does.
struct FailingSource : SignalSource {
    QString why;
    int readBlock() override
    {
        m_readStatus = -1;
        m_readFailure = why;
        return -1;
    }
};

} // namespace

class AcquisitionControlTest : public QObject {
    Q_OBJECT
private slots:
    void generatorBlocksArriveEachOnItsOwnSnapshot()
    {
        Rig rig;
        rig.installGenerator();
        rig.start(50);
        QVERIFY(rig.waitShown(4));
        QCOMPARE(rig.display.stops, 0);
        for (size_t i = 1; i < rig.display.blocks.size(); ++i)
            QVERIFY(rig.display.blocks[i] != rig.display.blocks[i - 1]);
        QVERIFY(rig.control.lastCycleNs() > 0);
        QVERIFY(!rig.control.isStopped());
    }

    void singleStartStopsAfterTheFirstBlock()
    {
        Rig rig;
        rig.installGenerator();
        rig.control.setSingleStart(true);
        rig.start(50);
        QVERIFY(rig.waitShown(1));
        QTest::qWait(300);
        QCOMPARE(rig.display.shown, 1);
        QCOMPARE(rig.display.stops, 1);
        QVERIFY(rig.control.isStopped());
    }

    void aFailedReadStopsWithoutShowing()
    {
        for (const QString &why : {QString(), QStringLiteral("Файл r.bin не может быть открыт")}) {
            Rig rig;
            auto source = std::make_unique<FailingSource>();
            source->why = why;
            rig.control.install(KindFile, std::move(source));
            rig.start(50);
            QElapsedTimer t;
            t.start();
            while (rig.display.stops == 0 && t.elapsed() < 5000)
                QTest::qWait(5);
            QCOMPARE(rig.display.stops, 1);
            QCOMPARE(rig.display.shown, 0);
            QCOMPARE(rig.display.failures, why.isEmpty() ? QStringList() : QStringList{why});
        }
    }

    void aBlockQueuedByAReplacedSourceIsDropped()
    {
        Rig rig;
        rig.installGenerator();
        rig.control.beginRun();
        rig.control.requestFirstBlock();
        // The old source delivers while the event loop does not run...
        QElapsedTimer t;
        t.start();
        while (rig.control.source()->isRequestPending() && t.elapsed() < 5000)
            QThread::msleep(1);
        QVERIFY(!rig.control.source()->isRequestPending());
        // ...and is replaced before its queued block is seen.
        rig.control.shutDown();
        rig.installGenerator();
        QTest::qWait(100);
        QCOMPARE(rig.display.shown, 0);
        QVERIFY(!rig.control.block());
    }

    void followersSeeTheBlockAndTheRunState()
    {
        struct Probe : BlockFollower {
            BlockContext seen;
            int calls = 0;
            void followBlock(const BlockContext &c) override
            {
                seen = c;
                ++calls;
            }
        } probe;
        Rig rig;
        rig.installGenerator();
        rig.control.addFollower(BlockFollower::WhileVisible, &probe);
        BlockContext context;
        context.scope.width = 77;
        rig.control.runFollowers(BlockFollower::EveryBlock, context);
        QCOMPARE(probe.calls, 0);
        rig.control.runFollowers(BlockFollower::WhileVisible, context);
        QCOMPARE(probe.calls, 1);
        QCOMPARE(probe.seen.source, rig.control.source());
        QCOMPARE(probe.seen.scope.width, 77);
    }
};

QTEST_MAIN(AcquisitionControlTest)
#include "test_acquisition_thread.moc"
