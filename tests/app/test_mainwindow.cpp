// The real main window, offscreen: actions, modes, recent files, fonts, keys, the command
// line, acquisition on the generator and on record files, and switching under load.
#include "WindowTestKit.h"

#include "app/Orma.h"
#include "sources/settings/IniFile.h"
#include "panels/OrmaOscPanel.h"
#include "panels/OrmaSlider.h"
#include "panels/OrmaSpectrPanel.h"
#include "plot/OrmaPlot.h"
#include "plot/QwtPlotCurveEx.h"
#include "sources/record/RecordWriter.h"
#include "sources/SignalSource.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <QLineEdit>
#include <QMenu>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <functional>

class TestWindow : public QObject {
    Q_OBJECT

    // One block shown and acquisition stopped, then the oscilloscope active and zoomed in once;
    // `start` is the time axis before the zoom. False when no block arrived.
    static bool zoomedAfterOneBlock(Orma &w, QwtInterval &start)
    {
        w.slotStart();
        if (!waitForBlocks(w, 1))
            return false;
        w.slotStart();
        start = w.oscPanel()->plot()->axisInterval(QwtPlot::xBottom);
        w.oscPanel()->setActive(true);
        w.oscPanel()->zoomX(1);
        return true;
    }
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        prepareWindowTests();
    }
    void cleanup() { QFile::remove(appIni()); }

    void startsOnGeneratorWithBothPanels()
    {
        Orma w;
        w.show();
        QCOMPARE(w.sourceKind(), 2);
        QCOMPARE(w.windowTitle(), QString("ОСЦИЛЛОГРАФ + АНАЛИЗАТОР СПЕКТРА - Имитатор сигналов"));
        QVERIFY(w.oscPanel()->isVisible());
        QVERIFY(w.spectrPanel()->isVisible());
    }

    void displayAndSourceActionsAreRadioItems()
    {
        Orma w;
        w.show();
        QAction *osc = action(w, "m_pOscAction"), *both = action(w, "m_pOscSpectrAction");
        both->setChecked(false); // the active mode cannot be unchecked
        QVERIFY(both->isChecked());
        osc->setChecked(true);
        QVERIFY(!both->isChecked());
        QVERIFY(w.windowTitle().startsWith("ОСЦИЛЛОГРАФ - "));
        QVERIFY(!w.spectrPanel()->isVisible());

        QAction *simulation = action(w, "m_pSimulationAction");
        SignalSource *source = w.source();
        simulation->setChecked(false); // re-triggering the active kind changes nothing
        QVERIFY(simulation->isChecked());
        QCOMPARE(w.source(), source);
    }

    void recentFilesKeepTenNewestFirst()
    {
        Orma w;
        QStringList files;
        for (int i = 0; i < 11; ++i)
            files << writeRecord(m_dir.filePath(QString("r%1.bin").arg(i)), 1, 4096);
        for (int i = 0; i < 11; ++i)
            w.loadFile(files.at(i));
        QCOMPARE(w.recentFiles().size(), 10);
        QCOMPARE(w.recentFiles().first(), files.at(10));
        QVERIFY(!w.recentFiles().contains(files.at(0)));
        w.loadFile(files.at(5));
        QCOMPARE(w.recentFiles().first(), files.at(5));
        QCOMPARE(w.recentFiles().count(files.at(5)), 1);
        QCOMPARE(w.recentFiles().size(), 10);
    }

    void narrowWindowReducesFont()
    {
        Orma w;
        w.show();
        w.resize(1200, 600);
        QTest::qWait(10);
        const int wide = w.font().pointSize();
        w.resize(1069, 600);
        QTest::qWait(10);
        QCOMPARE(w.font().pointSize(), wide);
        w.resize(1068, 600);
        QTest::qWait(10);
        QCOMPARE(w.font().pointSize(), wide - 2);
        w.resize(1069, 600);
        QTest::qWait(10);
        QCOMPARE(w.font().pointSize(), wide - 2);
        w.resize(1070, 600);
        QTest::qWait(10);
        QCOMPARE(w.font().pointSize(), wide);
    }

    void spaceHoldsTheMoveTool()
    {
        Orma w;
        w.show();
        QAction *move = action(w, "m_pMoveAction");
        QTest::keyPress(&w, Qt::Key_Space); // no active panel: ignored
        QVERIFY(!move->isChecked());
        w.oscPanel()->setActive(true);
        QTest::keyPress(&w, Qt::Key_Space);
        QVERIFY(move->isChecked());
        QTest::keyRelease(&w, Qt::Key_Space);
        QVERIFY(!move->isChecked());

        QAction *zoom = action(w, "m_pZoomAction");
        zoom->trigger();
        QTest::keyPress(&w, Qt::Key_Space);
        QVERIFY(move->isChecked());
        QVERIFY(!zoom->isChecked());
        QTest::keyRelease(&w, Qt::Key_Space);
        QVERIFY(zoom->isChecked());
        QVERIFY(!move->isChecked());
    }

    void commandLineRecordOnlyInFirstPlace()
    {
        const QString rec = writeRecord(m_dir.filePath("cmd.bin"), 2, 8192);
        Orma w;
        w.applyCommandLine({"-x", "-r", rec});
        QCOMPARE(w.sourceKind(), 2);
        w.applyCommandLine({"-r", rec});
        QCOMPARE(w.sourceKind(), 1);
        QVERIFY(w.windowTitle().endsWith("Сигнал из файла - " + rec));
    }

    void recordIsShownAfterStartFromCommandLine()
    {
        const QString rec = writeRecord(m_dir.filePath("show.bin"), 3, 100000);
        Orma w;
        w.show();
        w.applyCommandLine({"-r", rec, "-j"});
        QVERIFY(!w.isStopped());
        QVERIFY(waitForBlocks(w, 2));
        QwtPlotCurveEx *curve = w.oscPanel()->plot()->curve(0);
        QVERIFY(curve);
        QVERIFY(curve->dataSize() > 0);
        QVERIFY(w.oscPanel()->plot()->curve(2));
        QVERIFY(w.oscPanel()->findChild<QLineEdit *>("m_pMaxEdit")->text().toDouble() > 0);
    }

    void generatorRunsAndStops()
    {
        Orma w;
        w.show();
        w.slotStart();
        QVERIFY(waitForBlocks(w, 3));
        QVERIFY(w.spectrPanel()->findChild<QLineEdit *>("m_pSnrEdit")->text().toDouble() > 40);
        w.slotStart();
        QVERIFY(w.isStopped());
        QTest::qWait(300);
        const QString frames = w.oscPanel()->findChild<QLineEdit *>("m_pCyclesEdit")->text();
        QTest::qWait(400);
        QCOMPARE(w.oscPanel()->findChild<QLineEdit *>("m_pCyclesEdit")->text(), frames);
    }

    void singleBlockModeShowsOneBlock()
    {
        Orma w;
        w.show();
        action(w, "m_pSingleStartAction")->setChecked(true);
        QSignalSpy blocks(w.source(), &SignalSource::signalDataReady);
        w.slotStart();
        QTRY_VERIFY_WITH_TIMEOUT(w.isStopped(), 10000);
        QTest::qWait(400);
        QCOMPARE(blocks.count(), 1);
        QVERIFY(w.oscPanel()->plot()->curve(0)->dataSize() > 0);
    }

    void switchingKindsWhileRunningRestarts()
    {
        const QString rec = writeRecord(m_dir.filePath("switch.bin"), 2, 50000);
        Orma w;
        w.show();
        w.loadFile(rec);
        action(w, "m_pSimulationAction")->setChecked(true);
        w.slotStart();
        QVERIFY(waitForBlocks(w, 1));
        action(w, "m_pSigFileAction")->setChecked(true);
        QCOMPARE(w.sourceKind(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!w.isStopped(), 5000);
        QVERIFY(waitForBlocks(w, 1));
        w.slotStart();
    }

    void scrollingRightStopsAtLastWindow()
    {
        const QString rec = writeRecord(m_dir.filePath("scroll.bin"), 1, 20000);
        Orma w;
        w.show();
        w.applyCommandLine({"-r", rec, "-j"});
        QVERIFY(waitForBlocks(w, 1));
        w.slotStart();
        QVERIFY(w.isStopped());
        auto *right = w.findChild<QToolButton *>("m_pRightButton");
        right->click();
        OrmaSlider *slider = w.oscPanel()->slider();
        QTRY_VERIFY_WITH_TIMEOUT(!right->isChecked(), 20000);
        QCOMPARE(slider->value(), slider->maximum() - w.oscPanel()->windowWidth());
        QVERIFY(action(w, "m_pActionStart")->isEnabled());
    }

    void secondSaveKeepsDialogKeys()
    {
        QTemporaryDir dir;
        const QString rec = writeRecord(dir.filePath("cfg.bin"), 1, 8192);
        Orma w;
        w.loadFile(rec);
        w.slotSaveConfig();
        const QString record = dir.filePath("ORMA6.ini");
        QVERIFY(QFile::exists(record));
        QCOMPARE(w.configPath(), record);
        writeIniValue(record, "Pallete", "Mine", 42);
        w.slotSaveConfig();
        QCOMPARE(openIni(record)->value("Pallete/Mine").toInt(), 42);
    }

    // The window keeps the settings in force: a cancelled dialog changes neither them nor the
    // file, an accepted one is applied, saved and found by the next window.
    void paletteDialogCancelKeepsOkAppliesAndSaves()
    {
        Orma w;
        w.show();
        const QString ini = w.configPath();
        OrmaPlot *plot = w.oscPanel()->plot();
        QCOMPARE(plot->canvasBackground().color(), QColor(Qt::black));
        const auto standard = [](QWidget &d) { d.findChild<QPushButton *>("m_pStdPalButton")->click(); };
        answerNextDialog(standard, "m_pCancelButton");
        action(w, "m_pPalletAction")->trigger();
        QCOMPARE(plot->canvasBackground().color(), QColor(Qt::black));
        QVERIFY(!openIni(ini)->contains("Pallete/DysplayColor"));

        answerNextDialog(standard, "m_pOkButton");
        action(w, "m_pPalletAction")->trigger();
        QCOMPARE(plot->canvasBackground().color(), QColor(Qt::white));
        QCOMPARE(w.spectrPanel()->plot()->canvasBackground().color(), QColor(Qt::white));
        QCOMPARE(openIni(ini)->value("Pallete/DysplayColor").toInt(), 0xFFFFFF);
        Orma again;
        QCOMPARE(again.oscPanel()->plot()->canvasBackground().color(), QColor(Qt::white));
    }

    void analyserDialogReachesTheSourceOnlyOnOk()
    {
        Orma w;
        w.show();
        QCOMPARE(w.source()->fftSize(), 1024u);
        const auto fft = [](const char *text) {
            return [text](QWidget &d) {
                auto *combo = d.findChild<QComboBox *>("m_pFftSizeCmbBox");
                combo->setCurrentIndex(combo->findText(text));
            };
        };
        answerNextDialog(fft("8K"), "m_pCancelButton");
        action(w, "m_pActionOscSpectr")->trigger();
        QCOMPARE(w.source()->fftSize(), 1024u);
        QVERIFY(!openIni(w.configPath())->contains("SpectrPanel/FftSize"));

        answerNextDialog(fft("4096"), "m_pOkButton");
        action(w, "m_pActionOscSpectr")->trigger();
        QCOMPARE(w.source()->fftSize(), 4096u);
        QCOMPARE(openIni(w.configPath())->value("SpectrPanel/FftSize").toInt(), 4096);
    }

    // Many loads and kind switches during acquisition; ASan and TSan watch the threads. Every
    // run, whatever came before it, delivers blocks with the channels of what it shows.
    void stressLoadsAndSwitches()
    {
        const QString a = writeRecord(m_dir.filePath("sa.bin"), 4, 60000);
        const QString b = writeRecord(m_dir.filePath("sb.bin"), 2, 30000);
        Orma w;
        w.show();
        for (int i = 0; i < 12; ++i) {
            w.loadFile(i % 2 ? a : b);
            if (w.isStopped())
                w.slotStart();
            QVERIFY2(waitForDelivered(w, 2), qPrintable(QString("no block in round %1").arg(i)));
            if (w.sourceKind() == 1)
                QCOMPARE(w.block()->channels.totalCount(), i % 2 ? 4 : 2);
            action(w, i % 3 ? "m_pSimulationAction" : "m_pSigFileAction")->setChecked(true);
            QTest::qWait(40);
        }
        w.slotStop();
    }

    // The settings dialog opened from the plot (right button) is modal, but acquisition goes on
    // behind it.
    void settingsByRightClickKeepAcquiring()
    {
        Orma w;
        w.show();
        w.slotStart();
        QVERIFY(waitForBlocks(w, 2));
        int before = -1, during = -1;
        QTimer::singleShot(100, [&] {
            before = w.oscPanel()->findChild<QLineEdit *>("m_pCyclesEdit")->text().toInt();
            QTimer::singleShot(600, [&] {
                during = w.oscPanel()->findChild<QLineEdit *>("m_pCyclesEdit")->text().toInt();
                if (QWidget *dialog = QApplication::activeModalWidget())
                    dialog->close();
            });
        });
        QWidget *canvas = w.oscPanel()->plot()->canvas();
        QTest::mouseClick(canvas, Qt::RightButton, {}, canvas->rect().center());
        QVERIFY(before >= 0);
        QVERIFY2(during > before + 2, qPrintable(QString("%1 -> %2").arg(before).arg(during)));
        w.slotStop();
    }

    // GUI actions that scan what the plots show while the worker fills the next block (TSan).
    void autoScaleAndUnitsWhileRunning()
    {
        Orma w;
        w.show();
        w.slotStart();
        QVERIFY(waitForBlocks(w, 1));
        auto *autoScale = w.oscPanel()->findChild<QToolButton *>("m_pAutoScaleButton");
        auto *units = w.spectrPanel()->findChild<QComboBox *>("m_pDimCmbBox");
        for (int i = 0; i < 40; ++i) {
            autoScale->click();
            w.spectrPanel()->findChild<QToolButton *>("m_pAutoScaleButton")->click();
            units->setCurrentIndex(i % units->count());
            QTest::qWait(5);
        }
        QVERIFY(waitForBlocks(w, 2));
        QVERIFY(!w.spectrPanel()->findChild<QLineEdit *>("m_pPowerEdit")->text().isEmpty());
        w.slotStop();
    }

    // A block held by someone else (a plot, a dialog) outlives the source that delivered it
    // and keeps its values (ASan watches the reads).
    void heldBlockOutlivesItsSource()
    {
        Orma w;
        w.show();
        w.slotStart();
        QVERIFY(waitForBlocks(w, 2));
        const BlockSnapshotPtr held = w.block();
        QVERIFY(held && held->channelSamples(0) && held->channelSpectrum(0));
        const std::vector<double> samples(held->channelSamples(0),
                                          held->channelSamples(0) + held->sampleLength);
        OrmaPlot plot;
        plot.resize(400, 300);
        plot.setCurveSamples(0, Qt::green, held->index.get(), held->channelSamples(0),
                             held->curveLength(), held);
        QVERIFY(waitForBlocks(w, 3)); // later blocks never write into the held one
        action(w, "m_pSigFileAction")->setChecked(true);
        QVERIFY(w.source() && !w.block());
        plot.replot();
        QVERIFY(std::equal(samples.begin(), samples.end(), held->channelSamples(0)));
    }

    void undoActionsGoBackInTheActivePanel()
    {
        Orma w;
        w.show();
        QwtInterval start;
        QVERIFY(zoomedAfterOneBlock(w, start));
        QVERIFY(w.isStopped());
        OrmaPlot *plot = w.oscPanel()->plot();
        w.oscPanel()->zoomX(1);
        QVERIFY(plot->axisInterval(QwtPlot::xBottom).width() < start.width());
        action(w, "m_pUndoAllAction")->trigger();
        QCOMPARE(plot->axisInterval(QwtPlot::xBottom).width(), start.width());
    }

    // The undo actions are in no menu or tool bar; their keys work all the same.
    void undoKeysReachTheirActions()
    {
        Orma w;
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QwtInterval start;
        QVERIFY(zoomedAfterOneBlock(w, start));
        QVERIFY(w.isStopped());
        OrmaPlot *plot = w.oscPanel()->plot();
        QSignalSpy undo(action(w, "m_pUndoAction"), &QAction::triggered);
        QTest::keySequence(&w, QKeySequence::Undo);
        QCOMPARE(undo.count(), 1);
        QVERIFY(plot->axisInterval(QwtPlot::xBottom).width() < start.width());
        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(plot->axisInterval(QwtPlot::xBottom).width(), start.width());
    }
};

QTEST_MAIN(TestWindow)
#include "test_mainwindow.moc"
