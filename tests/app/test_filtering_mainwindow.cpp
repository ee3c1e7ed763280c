// Filtering in the real window: the menu entry opens the filter dialog, the tool-bar switch
// filters the blocks the window shows (a stop-band tone disappears from the spectrum), a
// filter that cannot be designed leaves the record as read and says why in the status bar and
// the dialog, and the keys are written where they belong.
// The kit's helpers are file-local; this test needs only some of them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "WindowTestKit.h"
#pragma GCC diagnostic pop

#include "dialogs/FiltersDlg.h"
#include "sources/settings/FilterSettings.h"
#include "sources/settings/IniFile.h"
#include "sources/SignalSource.h"
#include "plot/OrmaPlot.h"
#include "plot/QwtPlotCurveEx.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>

namespace {

// 1 MHz, 14 bits: a tone at fs / 64 (pass band) and one at 200 kHz with half its amplitude.
QString twoToneRecord(const QString &path)
{
    return writeRecord(path, 2, 200000, 1e6, [](RecordRecipe &r) {
        r.tones = {{1e6 / 64, 5000, 0}, {200000, 2500, 0}}; // together within 14 bits
    });
}

FiltersDlg *filtersDlg(Orma &w) { return w.findChild<FiltersDlg *>(); }

// The window's dialog set to an elliptic low-pass at `lowKhz`, 60 dB.
void setElliptic(Orma &w, double lowKhz)
{
    FilterParams p = FilterSettings::defaults();
    p.filterType = 1;
    p.iirFilter = 3;
    p.iirOrder = 6;
    p.iirLowFreq = float(lowKhz);
    p.iirPulse = 0.5f;
    p.iirDepresion = 60;
    p.filterId = filterIdOf(p);
    filtersDlg(w)->setFilterParams(p);
}

} // namespace

class TestFilteringWindow : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        prepareWindowTests();
    }
    void cleanup() { QFile::remove(appIni()); }

    void actionsOpenTheDialogAndSwitch()
    {
        Orma w;
        w.show();
        QAction *open = action(w, "m_pFiltrationAction"), *onOff = action(w, "m_pFiltrationEnableAction");
        QVERIFY(open->isEnabled() && onOff->isEnabled() && onOff->isCheckable());
        open->trigger();
        FiltersDlg *dlg = filtersDlg(w);
        QVERIFY(dlg && dlg->isVisible());
        auto *tabs = dlg->findChild<QTabWidget *>("tabWidget");
        QVERIFY(!tabs->isTabEnabled(0) && !tabs->isTabEnabled(1)); // filtering is off
        onOff->trigger();
        QCOMPARE(onOff->text(), QStringLiteral("Выключить фильтрацию"));
        QVERIFY(tabs->isTabEnabled(tabs->currentIndex()));
        onOff->trigger();
        QCOMPARE(onOff->text(), QStringLiteral("Включить фильтрацию"));
    }

    // A spur 6 dB below the tone, 60 dB further down once filtered; the tone stays. The block
    // starts at the record's first sample, so the filter has nothing to run in on: the status
    // bar says how many samples are unsettled, and a long transform keeps them a negligible
    // part of the spectrum.
    void filteringTakesTheStopBandToneOut()
    {
        const QString rec = twoToneRecord(m_dir.filePath("two.bin"));
        writeIniValue(QCoreApplication::applicationDirPath() + "/ORMA.ini", "SpectrPanel",
                      "FftSize", 65536);
        Orma w;
        w.resize(1200, 900);
        w.show();
        w.loadFile(rec);
        w.slotStart();
        QVERIFY(waitForDelivered(w, 2));
        const ChannelRecord plain = *w.block()->channelRecord(0);
        QVERIFY(qAbs(plain.sfdr - 6.02) < 0.5);

        setElliptic(w, 50);
        action(w, "m_pFiltrationEnableAction")->trigger();
        QVERIFY(waitForDelivered(w, 3));
        const BlockSnapshotPtr block = w.block();
        QVERIFY(block->filterStatus.isEmpty());
        const ChannelRecord filtered = *block->channelRecord(0);
        QVERIFY2(filtered.sfdr > plain.sfdr + 60, qPrintable(QString::number(filtered.sfdr)));
        QVERIFY(qAbs(filtered.fundamentalRms / plain.fundamentalRms - 1) < 0.06); // ripple 0.5 dB
        QVERIFY(block->filterUnsettled > 0);
        auto *label = w.findChild<QLabel *>("m_pFilterStatusLabel");
        QVERIFY(label->isVisible());
        QVERIFY(label->text().contains(QString::number(block->filterUnsettled)));
        QVERIFY(waitForBlocks(w, 2)); // shown, not only delivered
        // The curves draw the filtered block.
        QCOMPARE(w.oscPanel()->plot()->curve(0)->yData(), w.block()->channelSamples(0));
        if (qEnvironmentVariableIsSet("ORMA_FILTER_SCREENSHOT"))
            w.grab().save(qEnvironmentVariable("ORMA_FILTER_SCREENSHOT"));
        w.slotStart();
    }

    // A cut-off above Fs/2: the record is shown as read, and the reason is in sight.
    void aFilterThatCannotBeDesignedSaysWhy()
    {
        const QString rec = twoToneRecord(m_dir.filePath("bad.bin"));
        Orma w;
        w.show();
        w.loadFile(rec);
        setElliptic(w, 600);
        action(w, "m_pFiltrationEnableAction")->trigger();
        w.slotStart();
        QVERIFY(waitForDelivered(w, 2));
        const BlockSnapshotPtr block = w.block();
        QVERIFY(block->filterStatus.startsWith("Filtration/IirLowFreq = 600"));
        QVERIFY(block->channelRecord(0)->maximum > 7000); // the record's own samples, not zeros
        auto *label = w.findChild<QLabel *>("m_pFilterStatusLabel");
        QVERIFY(label->isVisible());
        QVERIFY(label->text().contains("Filtration/IirLowFreq = 600"));
        QVERIFY(filtersDlg(w)->findChild<QLabel *>("m_pStatusLabel")->text().contains("600"));
        // Mended in the dialog: the next blocks are filtered and the reason goes away.
        filtersDlg(w)->findChild<QDoubleSpinBox *>("m_pIirLowFreqSpin")->setValue(50);
        QVERIFY(waitForDelivered(w, 3));
        QVERIFY(w.block()->filterStatus.isEmpty());
        QVERIFY(!label->text().contains("600"));
        w.slotStart();
    }

    // The dialog writes its keys when it closes; "Filtration/OnFiltration" is the window's.
    void keysGoWhereTheyBelong()
    {
        const QString ini = QCoreApplication::applicationDirPath() + "/ORMA.ini";
        {
            Orma w;
            w.show();
            action(w, "m_pFiltrationAction")->trigger();
            setElliptic(w, 12.5);
            filtersDlg(w)->close();
            QCOMPARE(openIni(ini)->value("Filtration/IirLowFreq").toDouble(), 12.5);
            QCOMPARE(openIni(ini)->value("Filtration/FilterId").toInt(), 44);
            action(w, "m_pFiltrationEnableAction")->trigger();
            w.slotSaveConfig();
            QCOMPARE(openIni(ini)->value("Filtration/OnFiltration").toInt(), 1);
        }
        Orma again;
        QVERIFY(action(again, "m_pFiltrationEnableAction")->isChecked());
        QCOMPARE(filtersDlg(again)->filterParams().iirLowFreq, 12.5f);
        QVERIFY(again.source()->filterParams() == filtersDlg(again)->filterParams());
    }
};

QTEST_MAIN(TestFilteringWindow)
#include "test_filtering_mainwindow.moc"
