// The measurement dialogs in the real window: the phase dialog on a record of known delays,
// its threshold stopping acquisition once, its whole-record request, the I/Q views refusing
// real records and following complex ones, and 200 generator blocks into an open phase dialog
// that is destroyed while it measures.
#include "WindowTestKit.h"

#include "app/MainConfig.h"
#include "app/MeasurementHost.h"
#include "dialogs/AmplPhaseDlg.h"
#include "dialogs/PhaseMisDlg.h"
#include "dialogs/VectorDiagramDlg.h"
#include "dialogs/VectorTrajectory.h"
#include "plot/OrmaPlot.h"
#include "plot/QwtPlotCurveEx.h"
#include "sources/settings/AnalyserSettings.h"
#include "sources/SignalSource.h"
#include "sources/generator/SimulationSettings.h"
#include "tests/dialogs/DialogTestKit.h"

#include <QCheckBox>
#include <QFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThreadPool>

namespace {


constexpr double Rate = 1e6;
constexpr double ToneHz = Rate / 64.37;

// Four channels, channel c later than channel 0 by c x 12.5 degrees of the tone.
QString delayedRecord(const QString &path, uint64_t samples = 200000)
{
    return writeRecord(path, 4, samples, Rate, [](RecordRecipe &r) {
        r.tones = {{ToneHz, 6000, 0}};
        r.channelDelay = 12.5 / 360 / ToneHz;
    });
}

PhaseMisDlg *phaseDialog(Orma &w) { return w.findChild<PhaseMisDlg *>(); }

double phaseField(Orma &w, const char *name)
{
    return phaseDialog(w)->findChild<QLineEdit *>(name)->text().toDouble();
}

} // namespace

class TestMeasureDialogs : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        prepareWindowTests();
    }
    void cleanup() { QFile::remove(appIni()); }

    void phaseOfDelayedChannels()
    {
        Orma w;
        w.show();
        QVERIFY(action(w, "m_pPhaseMisAction")->isEnabled());
        w.applyCommandLine({"-r", delayedRecord(m_dir.filePath("d.bin")), "-j"});
        QVERIFY(waitForBlocks(w, 1));
        action(w, "m_pPhaseMisAction")->trigger();
        QVERIFY(phaseDialog(w)->isVisible());
        QTRY_VERIFY(phaseDialog(w)->lastOutcome().has_value());
        QVERIFY(waitForBlocks(w, 2));
        QVERIFY2(std::abs(phaseField(w, "m_pPhaseMis2Edit") + 12.5) < 0.01,
                 qPrintable(QString::number(phaseField(w, "m_pPhaseMis2Edit"))));
        QVERIFY(std::abs(phaseField(w, "m_pPhaseMis3Edit") + 25) < 0.01);
        QVERIFY(std::abs(phaseField(w, "m_pPhaseMis4Edit") + 37.5) < 0.01);
        QCOMPARE(phaseDialog(w)->lastOutcome()->sampleCount, uint64_t(w.oscPanel()->windowWidth()));
        w.slotStart();
    }

    // "Выше порога" at -20: a phase of -12.5 stops acquisition, the source's thread too, and
    // only once however many measurements were under way.
    void thresholdStopsAcquisitionOnce()
    {
        Orma w;
        w.show();
        w.applyCommandLine({"-r", delayedRecord(m_dir.filePath("t.bin")), "-j"});
        QVERIFY(waitForBlocks(w, 1));
        action(w, "m_pPhaseMisAction")->trigger();
        PhaseMisDlg *dlg = phaseDialog(w);
        QSignalSpy runs(w.measurements(), &MeasurementHost::runWanted);
        dlg->findChild<QLineEdit *>("m_pHi2Edit")->setText("-20");
        dlg->findChild<QCheckBox *>("m_pHi2Check")->setChecked(true);
        QTRY_VERIFY_WITH_TIMEOUT(w.isStopped(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!w.source()->isRunning(), 10000);
        QTest::qWait(300);
        QCOMPARE(runs.count(), 1);
        QCOMPARE(runs.at(0).at(0).toBool(), false);
        QCOMPARE(dlg->findChild<QPushButton *>("m_pStartButton")->text(), QString("Старт"));
        dlg->findChild<QCheckBox *>("m_pHi2Check")->setChecked(false);
        dlg->findChild<QPushButton *>("m_pStartButton")->click(); // starts acquisition again
        QVERIFY(!w.isStopped());
        QVERIFY(waitForBlocks(w, 1));
        w.slotStart();
    }

    // Unchecking "in the oscilloscope window" makes the source read the whole record while the
    // dialog is shown.
    void wholeRecordWhileShown()
    {
        Orma w;
        w.show();
        w.applyCommandLine({"-r", delayedRecord(m_dir.filePath("w.bin"), 100000), "-j"});
        QVERIFY(waitForBlocks(w, 1));
        action(w, "m_pPhaseMisAction")->trigger();
        PhaseMisDlg *dlg = phaseDialog(w);
        dlg->findChild<QCheckBox *>("m_pWinCheck")->setChecked(false);
        QVERIFY(w.source()->allDataMode());
        QVERIFY(waitForBlocks(w, 3));
        QTRY_COMPARE_WITH_TIMEOUT(dlg->lastOutcome()->sampleCount, uint64_t(100000), 30000);
        QVERIFY(std::abs(phaseField(w, "m_pPhaseMis2Edit") + 12.5) < 0.01);
        dlg->close();
        QTRY_VERIFY(!w.source()->allDataMode());
        w.slotStart();
    }

    void iqViewsOnlyForComplexRecords()
    {
        Orma w;
        w.show();
        w.applyCommandLine({"-r", delayedRecord(m_dir.filePath("r.bin")), "-j"});
        QVERIFY(waitForBlocks(w, 1));
        {
            kit::MessageHand hand;
            action(w, "m_pAmplPhaseAction")->trigger();
            action(w, "m_pVectorDiagramAction")->trigger();
            QTRY_COMPARE(hand.seen().size(), 2);
            QCOMPARE(hand.seen().at(0).title, QString("ORMA"));
            QCOMPARE(hand.texts().at(1), QString("Этот режим только для комплексных сигналов!"));
        }
        QVERIFY(!w.findChild<AmplPhaseDlg *>()->isVisible());

        const QString iq = writeRecord(m_dir.filePath("iq.bin"), 2, 100000, Rate, [](RecordRecipe &r) {
            r.params.isComplex = true;
            r.tones = {{-0.2 * Rate, 5000, 0}};
        });
        w.loadFile(iq);
        // Asked for before the record's first block: judged on that block, not refused.
        QVERIFY(!w.block());
        kit::MessageHand hand;
        action(w, "m_pAmplPhaseAction")->trigger();
        action(w, "m_pVectorDiagramAction")->trigger();
        auto *ampl = w.findChild<AmplPhaseDlg *>();
        auto *vector = w.findChild<VectorDiagramDlg *>();
        QTRY_VERIFY(ampl->isVisible() && vector->isVisible());
        QVERIFY(hand.seen().isEmpty());
        QVERIFY(!w.isStopped());
        QVERIFY(waitForBlocks(w, 2));
        const int width = w.oscPanel()->windowWidth();
        QTRY_VERIFY(std::abs(ampl->amplPlot()->curve(0)->sampleCount() - width) <= 1);
        QVERIFY(std::abs(int(vector->trajectory()->sampleCount()) - width) <= 1);
        QVERIFY(std::abs(ampl->amplPlot()->curve(0)->yData()[10] - 5000) < 1);
        w.slotStart();
    }

    // The generator (8 channels of 64K samples, each 10 degrees later than the one before) feeds
    // 200 blocks into an open phase dialog; the window, and the dialog with it, goes while a
    // measurement runs.
    void generatorBlocksIntoOpenDialog()
    {
        AnalyserSettings a;
        a.timeout = 1;
        a.save(appIni());
        SimulationSettings sim;
        sim.sampleCount = 1 << 16;
        sim.sampleRate = Rate;
        for (int c = 0; c < 8; ++c)
            sim.rows[size_t(c)] = {true, 0, 1000, ToneHz, 10.0 * c};
        sim.save(appIni());
        auto *w = new Orma;
        w->show();
        action(*w, "m_pSimulationAction")->setChecked(true);
        w->slotStart();
        QVERIFY(waitForBlocks(*w, 1));
        action(*w, "m_pPhaseMisAction")->trigger();
        PhaseMisDlg *dlg = phaseDialog(*w);
        QVERIFY(dlg->isVisible());
        dlg->findChild<QCheckBox *>("m_pWinCheck")->setChecked(false);
        QVERIFY(waitForDelivered(*w, 200, 120000));
        QVERIFY(dlg->lastOutcome().has_value());
        QCOMPARE(dlg->lastOutcome()->sampleCount, uint64_t(1 << 16));
        QVERIFY2(std::abs(phaseField(*w, "m_pPhaseMis2Edit") + 10) < 0.05,
                 qPrintable(QString::number(phaseField(*w, "m_pPhaseMis2Edit"))));
        // The pool's threads held: the next block's measurement is asked for and cannot finish
        // before the window goes, however quick it is.
        QSemaphore release;
        const int threads = QThreadPool::globalInstance()->maxThreadCount();
        for (int t = 0; t < threads; ++t)
            QThreadPool::globalInstance()->start([&release] { release.acquire(); });
        QElapsedTimer wait;
        wait.start();
        // Blocks keep coming (a slow, sanitized run may have stopped at a threshold) until one
        // is being measured.
        while (!dlg->isMeasuring() && wait.elapsed() < 30000) {
            if (w->isStopped())
                w->slotStart();
            QCoreApplication::processEvents();
        }
        QVERIFY(dlg->isMeasuring());
        delete w; // waits for the measurement, run in this thread as the pool is busy
        release.release(threads);
        QThreadPool::globalInstance()->waitForDone();
    }
};

QTEST_MAIN(TestMeasureDialogs)
#include "test_measure_thread.moc"
