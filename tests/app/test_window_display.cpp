// What the window shows of a block beyond the traces: colours after a palette change, the
// logarithmic axis, the gain reference, the block-boundary line, the frequency shift, the FFT
// size for ready spectra, and the window state kept across source clicks and maximising.
#include "WindowTestKit.h"
#include "tests/dialogs/DialogTestKit.h"

#include "app/MainConfig.h"
#include "app/Translations.h"
#include "panels/ComboBoxInc.h"
#include "panels/ElidedLabel.h"
#include "panels/LegendItemWidget.h"
#include "panels/OrmaSlider.h"
#include "panels/OrmaSpectrPanel.h"
#include "panels/OrmaTitle.h"
#include "plot/ChangesStack.h"
#include "plot/OrmaPlot.h"
#include "plot/QwtPlotCurveEx.h"
#include "sources/settings/AnalyserSettings.h"
#include "sources/settings/IniFile.h"
#include "sources/SignalSource.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QMenuBar>
#include <QLabel>
#include <QScopeGuard>
#include <QSettings>
#include <QStatusBar>
#include <QFile>
#include <QHelpEvent>
#include <QToolTip>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <complex>

#include <qwt_plot_marker.h>
#include <qwt_scale_div.h>
#include <qwt_scale_widget.h>

namespace {


void saveAnalyser(const std::function<void(AnalyserSettings &)> &edit)
{
    AnalyserSettings a;
    edit(a);
    a.save(appIni());
}

double maxReadout(Orma &w) { return w.oscPanel()->findChild<QLineEdit *>("m_pMaxEdit")->text().toDouble(); }

} // namespace

class TestWindowDisplay : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        prepareWindowTests();
    }
    void cleanup() { QFile::remove(appIni()); }

    void paletteRecoloursTheTracesAlreadyDrawn()
    {
        Orma w;
        w.show();
        w.slotStart();
        QVERIFY(waitForBlocks(w, 2));
        w.slotStop();
        QTest::qWait(50);
        OrmaPlot *osc = w.oscPanel()->plot();
        const QColor before = osc->curve(0)->pen().color();
        answerNextDialog([&](QWidget &d) { d.findChild<QPushButton *>("m_pStdPalButton")->click(); },
                         "m_pOkButton");
        action(w, "m_pPalletAction")->trigger();
        const QColor after = osc->curve(0)->pen().color();
        QVERIFY2(after != before, "the standard palette gives channel 0 another colour");
        QCOMPARE(w.spectrPanel()->plot()->curve(0)->pen().color(), after);
        const auto legend = w.findChildren<LegendItemWidget *>();
        QVERIFY(!legend.isEmpty());
        for (LegendItemWidget *item : legend)
            QCOMPARE(item->color(), osc->curve(item->channel())->pen().color());
        const int fft = openIni(w.configPath())->value("Pallete/FftColor").toInt();
        QCOMPARE(int(osc->positionLine()->linePen().color().rgb() & 0xFFFFFF), fft);
    }

    void logAxisFollowsItsCheckBox()
    {
        saveAnalyser([](AnalyserSettings &a) {
            a.isDb = true;
            a.lowFreqHz = 0;
        });
        {
            Orma w;
            QVERIFY(w.spectrPanel()->isLogFrequency());
        }
        saveAnalyser([](AnalyserSettings &a) {
            a.isDb = false;
            a.lowFreqHz = 1000;
        });
        Orma w;
        QVERIFY(!w.spectrPanel()->isLogFrequency());
    }

    void moduleInputDividesByTheChannelGain()
    {
        const QString rec = writeRecord(m_dir.filePath("gain.bin"), 1, 65536, 1e6,
                                        [](RecordRecipe &r) { r.params.gains = {10.0}; });
        double readings[2] = {0, 0};
        for (int gainIndex : {0, 1}) {
            saveAnalyser([gainIndex](AnalyserSettings &a) {
                a.amplDimension = DimVolts;
                a.gainIndex = gainIndex;
            });
            Orma w;
            w.show();
            w.applyCommandLine({"-r", rec, "-j"});
            QVERIFY(waitForBlocks(w, 2));
            readings[gainIndex] = maxReadout(w);
            w.slotStop();
            QTest::qWait(50);
        }
        QVERIFY(readings[0] > 0);
        QVERIFY2(qAbs(readings[0] / readings[1] - 10.0) < 0.05,
                 qPrintable(QString("%1 V against %2 V").arg(readings[0]).arg(readings[1])));
    }

    void boundaryLinesMarkTheAnalysedBlock()
    {
        saveAnalyser([](AnalyserSettings &a) { a.fftSize = 256; });
        const QString rec = writeRecord(m_dir.filePath("line.bin"), 1, 200000);
        Orma w;
        w.show();
        w.applyCommandLine({"-r", rec, "-j"});
        QVERIFY(waitForBlocks(w, 2));
        w.slotStop();
        QTest::qWait(50);
        w.oscPanel()->slider()->setValue(50000, false);
        QVERIFY(waitForDelivered(w, 1));
        QTest::qWait(50);
        const std::optional<double> start = w.block()->analysedStart();
        QVERIFY(start);
        QCOMPARE(w.block()->fftSize, 256u);
        OrmaPlot *osc = w.oscPanel()->plot();
        QCOMPARE(osc->positionLine()->xValue(), *start);
        QVERIFY(osc->windowEndLine()->isVisible());
        QCOMPARE(osc->windowEndLine()->xValue(), *start + 255);
        const QwtScaleDiv view = osc->axisScaleDiv(QwtPlot::xBottom);
        QVERIFY(*start >= view.lowerBound() && *start + 255 < view.upperBound());
    }

    void complexRecordsShiftTheirFrequencyAxis()
    {
        const QString rec = writeRecord(m_dir.filePath("iq.bin"), 2, 65536, 1e6, [](RecordRecipe &r) {
            r.params.isComplex = true;
            r.params.shiftFrequencies = {2500.0, 2500.0};
        });
        for (bool shift : {true, false}) {
            saveAnalyser([shift](AnalyserSettings &a) { a.isFreqShift = shift; });
            Orma w;
            w.show();
            w.applyCommandLine({"-r", rec, "-j"});
            QVERIFY(waitForBlocks(w, 1));
            QCOMPARE(w.spectrPanel()->shift(), shift ? 2500.0 : 0.0);
            w.slotStop();
            QTest::qWait(50);
        }
    }

    void readySpectraLockTheFftSize()
    {
        const int n = 1024;
        std::vector<std::complex<double>> values(n);
        values[100] = {0.3 * n, 0.0};
        QByteArray bytes(reinterpret_cast<const char *>(values.data()), int(n * sizeof(values[0])));
        bytes += "FFT_SIZE_ 1024\r\nNUMBER_OF_CHANNELS_ 1\r\nNUMBERS_OF_CHANNELS_ 0\r\n"
                 "SAMPLING_RATE_ 1024000\r\n";
        const QString rec = m_dir.filePath("spectra.bin");
        QFile file(rec);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        Orma w;
        w.show();
        w.applyCommandLine({"-r", rec, "-j"});
        QVERIFY(waitForDelivered(w, 1));
        w.slotStop();
        QTest::qWait(50);
        QVERIFY(w.block()->readySpectra);
        bool enabled = true;
        answerNextDialog([&](QWidget &d) { enabled = d.findChild<QComboBox *>("m_pFftSizeCmbBox")->isEnabled(); },
                         "m_pCancelButton");
        QMetaObject::invokeMethod(&w, "slotShowOscSpectrDlg");
        QVERIFY(!enabled);
    }

    void accumulationOffForgetsTheZoomHistory()
    {
        Orma w;
        w.show();
        OrmaPlot *osc = w.oscPanel()->plot();
        osc->changes()->slotAddChange();
        osc->changes()->slotAddChange();
        QVERIFY(osc->changes()->zoomStack().size() > 1);
        w.slotAccumulation(true);
        w.slotAccumulation(false);
        QCOMPARE(osc->changes()->zoomStack().size(), 1);
    }

    void theActiveKindClickedAgainKeepsRunning()
    {
        Orma w;
        w.show();
        w.slotStart();
        QVERIFY(waitForBlocks(w, 1));
        QAction *simulation = action(w, "m_pSimulationAction");
        QVERIFY(simulation->isChecked());
        simulation->trigger(); // unchecks, and the window checks it again
        QVERIFY(simulation->isChecked());
        QVERIFY(!w.isStopped());
        QVERIFY(waitForBlocks(w, 2));
    }

    void aMissingRecordIsReportedBeforeTheGeneratorShows()
    {
        Orma w;
        w.show();
        QString text;
        closeNextMessageBox(text);
        const QString missing = m_dir.filePath("nowhere.bin");
        w.applyCommandLine({"-r", missing});
        QCOMPARE(text, "Файл " + missing + " не найден!");
        QVERIFY(action(w, "m_pSimulationAction")->isChecked());
    }

    void theStatusBarSaysWhatTheRecordLacks()
    {
        const QString empty = m_dir.filePath("empty.bin");
        QFile(empty).open(QIODevice::WriteOnly);
        const QString bare = writeRecord(m_dir.filePath("bare.bin"), 1, 4096);
        QFile bareFile(bare);
        {
            // The same samples without their description.
            RecordRecipe recipe = defaultRecordRecipe();
            QString error;
            QVERIFY(writeRecordFile(bare, recipe, false, &error));
        }
        const QString noise = m_dir.filePath("noise.bin");
        {
            QFile file(noise);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QByteArray bytes(64 * 1024, Qt::Uninitialized);
            for (int i = 0; i < bytes.size(); ++i)
                bytes[i] = char((i * 2654435761u) >> 13);
            file.write(bytes);
        }
        Orma w;
        w.show();
        auto *note = w.findChild<QLabel *>("m_pNoteLabel");
        QVERIFY(note);
        {
            // Random bytes opened while stopped: read on the user's parameters, as a start
            // would, and said so in the status bar alone.
            kit::MessageHand hand;
            w.loadFile(noise);
            QTRY_VERIFY2(note->text().contains("\"Параметры файла чтения\""), qPrintable(note->text()));
            QVERIFY(hand.seen().isEmpty());
        }
        w.applyCommandLine({"-r", empty, "-j"});
        QTest::qWait(300);
        QVERIFY2(note->text().contains("не содержит отсчетов"), qPrintable(note->text()));
        QVERIFY(!note->font().bold()); // waiting is no fault of the record
        w.slotStop();
        w.loadFile(bare);
        w.slotStart();
        QVERIFY(waitForBlocks(w, 2));
        QVERIFY2(note->text().contains("\"Параметры файла чтения\""), qPrintable(note->text()));
        // A record read on guessed parameters stands out from the acquisition state,
        note->ensurePolished();
        QVERIFY(note->font().bold());
        w.slotStop();
        QTest::qWait(50);
        // until a described record's block is shown.
        w.loadFile(writeRecord(m_dir.filePath("described.bin"), 1, 4096));
        QTRY_VERIFY(w.block() && !w.block()->channels.numbers().isEmpty());
        QTRY_VERIFY(note->text().isEmpty());
        note->ensurePolished();
        QVERIFY(!note->font().bold());
    }

    // Shrunk to its minimum, with a record on screen, the window still has room for every
    // axis of both panels: the numbers under each plot and the whole vertical title.
    void theMinimumSizeKeepsEveryAxisReadable()
    {
        Orma w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.loadFile(writeRecord(m_dir.filePath("small.bin"), 2, 100000));
        QTRY_VERIFY(w.block());
        for (const QSize size : {QSize(1, 1), QSize(1200, 1)}) {
            w.resize(size);
            QTest::qWait(100);
            for (OrmaPanel *panel : {static_cast<OrmaPanel *>(w.oscPanel()),
                                     static_cast<OrmaPanel *>(w.spectrPanel())}) {
                const QString where = QString("%1 at %2x%3")
                                          .arg(panel->metaObject()->className())
                                          .arg(w.width())
                                          .arg(w.height());
                OrmaPlot *plot = panel->plot();
                QwtScaleWidget *axis = plot->axisWidget(QwtPlot::xBottom);
                // The labels of the time or frequency axis lie inside the plot.
                const QRect labels = axis->geometry();
                QVERIFY2(labels.height() >= axis->minimumSizeHint().height(), qPrintable(where));
                QVERIFY2(plot->rect().contains(labels), qPrintable(where));
                QVERIFY2(plot->canvas()->height() > 20, qPrintable(where));
                // The slider starts below the plot, not over its axis.
                const QWidget *slider = panel->slider();
                QVERIFY2(slider->mapTo(panel, QPoint()).y() >= plot->mapTo(panel, QPoint(0, plot->height())).y(),
                         qPrintable(where));
                auto *title = panel->findChild<OrmaTitle *>();
                QVERIFY2(title->height() >= title->sizeHint().height(), qPrintable(where));
            }
        }
    }

    // A source's message longer than the status bar is cut there, whole in its tool tip, and
    // the window keeps its width.
    void aLongStatusTextIsCutWithItsToolTip()
    {
        Orma w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const int width = w.width();
        const QString text = "Сервер 192.168.100.200 : 7000 : запись \"длинное имя записи на "
                             "сервере сбора данных\" - соединение закрыто сервером до ответа на "
                             "запрос описания записи";
        emit w.source()->signalAddText(text);
        QTest::qWait(50);
        auto *label = w.findChild<ElidedLabel *>("m_pSourceMessage");
        QVERIFY(label);
        QCOMPARE(w.width(), width);
        QVERIFY(label->isElided());
        QVERIFY(label->shownText().endsWith(QChar(0x2026)));
        QHelpEvent tip(QEvent::ToolTip, label->rect().center(), label->mapToGlobal(label->rect().center()));
        QApplication::sendEvent(label, &tip);
        QCOMPARE(QToolTip::text(), text);
        // A short text is all there: no tool tip repeats it.
        emit w.source()->signalAddText("Ожидание");
        QTest::qWait(50);
        QVERIFY(!label->isElided());
        QApplication::sendEvent(label, &tip);
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    void theStateOutlivesAStatusTip()
    {
        Orma w;
        w.show();
        auto *state = w.findChild<QLabel *>("m_pStateLabel");
        QVERIFY(state);
        w.slotStart();
        QCOMPARE(state->text(), QStringLiteral("Сбор данных"));
        w.statusBar()->showMessage("Открыть файл"); // what a menu's status tip does
        QVERIFY(state->isVisible());
        QCOMPARE(state->text(), QStringLiteral("Сбор данных"));
        w.slotStop();
        QCOMPARE(state->text(), QStringLiteral("Остановка сбора"));
    }

    void aShortRecordDoesNotReplaceTheChosenWidth()
    {
        const QString shortRec = writeRecord(m_dir.filePath("short.bin"), 1, 16);
        const QString longRec = writeRecord(m_dir.filePath("long.bin"), 1, 100000);
        Orma w;
        w.show();
        auto *chooser = w.oscPanel()->findChild<ComboBoxInc *>("m_pScaleXCmbBox");
        QCOMPARE(chooser->currentIndex(), 7); // 1K
        w.applyCommandLine({"-r", shortRec, "-j"});
        QVERIFY(waitForBlocks(w, 1));
        w.slotStop();
        QTest::qWait(50);
        QCOMPARE(chooser->currentText(), QStringLiteral("16")); // cut to the record
        QCOMPARE(openIni(w.configPath())->value("OscPanel/XWidth", 7).toInt(), 7);
        w.loadFile(longRec);
        w.slotStart();
        QVERIFY(waitForBlocks(w, 1));
        w.slotStop();
        QCOMPARE(chooser->currentIndex(), 7);
    }

    void stockDialogsKeysAndSizeSuitAUser()
    {
        if (!installQtRussian(*QCoreApplication::instance()))
            QSKIP("Qt's Russian translation is not installed (qttranslations5-l10n)");
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));

        Orma w;
        w.show();
        QCOMPARE(action(w, "m_pFileOpenAction")->shortcut(), QKeySequence(QKeySequence::Open));
        QCOMPARE(action(w, "m_pActionStart")->shortcut(), QKeySequence(Qt::Key_F5));
        QCOMPARE(action(w, "m_pExitAction")->shortcut(), QKeySequence(QKeySequence::Quit));
        for (QAction *menu : w.menuBar()->actions())
            QVERIFY2(menu->text().contains('&'), qPrintable(menu->text()));

        const QSize least = w.minimumSize();
        QVERIFY(least.width() > 300 && least.height() > 200);
        w.resize(300, 200);
        QTest::qWait(20);
        QVERIFY(w.width() >= least.width() && w.height() >= least.height());
    }

    void aMaximisedWindowKeepsItsNormalSize()
    {
        // The offscreen screen (800 x 600) is smaller than the window's least size at the
        // default font, which keeps every axis whole: a smaller font lets it be maximised.
        QSettings native(kNativeOrganisation, kNativeApplication);
        native.setValue("Font", QFont("Verdana", 7));
        auto restore = qScopeGuard([&] { native.remove("Font"); });
        Orma w;
        w.show();
        w.resize(1000, 600);
        QTest::qWait(20);
        const QSize normal = w.size();
        QCOMPARE(openIni(w.configPath())->value("WindowWidth").toInt(), normal.width());
        w.showMaximized();
        QTest::qWait(50);
        QVERIFY(w.isMaximized());
        QVERIFY(w.size() != normal);
        QCOMPARE(openIni(w.configPath())->value("WindowWidth").toInt(), normal.width());
        QCOMPARE(openIni(w.configPath())->value("WindowHeight").toInt(), normal.height());
    }
};

QTEST_MAIN(TestWindowDisplay)
#include "test_window_display.moc"
