// The phase-mismatch dialog: what it shows for blocks of known delays, in every unit, its
// failure values, its thresholds stopping acquisition once, its keys, and its measurement
// task outliving neither a newer block nor the dialog.
#include "dialogs/PhaseMisDlg.h"

#include "BlockKit.h"
#include "DialogTestKit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThreadPool>

namespace {

constexpr double Rate = 1e6;
constexpr double Hz = 10137.0; // 98.65 samples a period

// Channels 0..3: channel c lags channel 0 by c x `step` degrees; amplitudes as given.
BlockSnapshotPtr delayed(double step, std::vector<double> amplitudes = {30000, 30000, 30000, 30000},
                         uint64_t length = 65536, double recordHz = Hz, double recordRate = Rate)
{
    std::vector<blockkit::Channel> channels;
    for (size_t c = 0; c < amplitudes.size(); ++c)
        channels.push_back(blockkit::tone(Hz, amplitudes[c], Rate, double(c) * step / 360 / Hz));
    return blockkit::block(channels, length, recordRate, recordHz);
}

ScopeWindow window(double first, int width)
{
    ScopeWindow w;
    w.firstSample = first;
    w.lastSample = first + width - 1;
    w.width = width;
    return w;
}

QString field(PhaseMisDlg &dlg, const char *name) { return kit::child<QLineEdit>(dlg, name)->text(); }

// Shows the dialog on a block and waits for its figures.
void measure(PhaseMisDlg &dlg, const BlockSnapshotPtr &block, const ScopeWindow &w = window(0, 65536))
{
    dlg.setChannelNumbers(block->channels.numbers());
    dlg.followBlock({block, w});
    QTRY_VERIFY(!dlg.isMeasuring());
    QCoreApplication::processEvents();
}

} // namespace

class PhaseMisDlgTest : public QObject {
    Q_OBJECT
private slots:
    void titleAndDefaults()
    {
        PhaseMisDlg dlg;
        // Byte for byte, with the Latin "c" the title has always had.
        QCOMPARE(dlg.windowTitle().toUtf8(), QByteArray("\xd0\x98\xd0\xb7\xd0\xbc\xd0\xb5\xd1\x80\xd0\xb5\xd0\xbd\xd0\xb8\xd0\xb5 "
                                                        "\xd1\x84\xd0\xb0\xd0\xb7\xd0\xbe\xd0\xb2\xd0\xbe\xd0\xb3\xd0\xbe "
                                                        "\xd1\x80\xd0\xb0\xd1\x81" "c"
                                                        "\xd0\xbe\xd0\xb3\xd0\xbb\xd0\xb0\xd1\x81\xd0\xbe\xd0\xb2\xd0\xb0\xd0\xbd\xd0\xb8\xd1\x8f"));
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pPerDimCmbBox")->currentText(), QString("мс"));
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pPhaseMisDimCmbBox")->currentText(), QString("градус"));
        QVERIFY(kit::child<QCheckBox>(dlg, "m_pWinCheck")->isChecked());
        auto *start = kit::child<QPushButton>(dlg, "m_pStartButton");
        QCOMPARE(start->text(), QString("Старт"));
        QCOMPARE(start->styleSheet(), QString("background-color: #00FF00"));
        QVERIFY(!dlg.wantsWholeRecord()); // hidden
    }

    // Channel c lags by 12.5 c degrees: the fields read reference time minus other time.
    void knownDelaysInEveryUnit()
    {
        PhaseMisDlg dlg;
        dlg.show();
        measure(dlg, delayed(12.5));
        QCOMPARE(field(dlg, "m_pPhaseMis2Edit"), QString("-12.5"));
        QCOMPARE(field(dlg, "m_pPhaseMis3Edit"), QString("-25"));
        QCOMPARE(field(dlg, "m_pPhaseMis4Edit"), QString("-37.5"));
        // 1 / 10137 Hz = 0.098649 ms
        QCOMPARE(field(dlg, "m_pPeriodCh1Edit"), QString("0.099"));

        auto *unit = kit::child<QComboBox>(dlg, "m_pPhaseMisDimCmbBox");
        unit->setCurrentText("радиан");
        QCOMPARE(field(dlg, "m_pPhaseMis2Edit"), QString("-0.218")); // 2 pi (-12.5 / 360)
        unit->setCurrentText("мкс"); // 12.5 / 360 / 10137 Hz = 3.425 us
        QCOMPARE(field(dlg, "m_pPhaseMis2Edit"), QString("-3.425"));
        unit->setCurrentText("отсчет");
        QCOMPARE(field(dlg, "m_pPhaseMis3Edit"), QString("-6.851"));
        kit::child<QComboBox>(dlg, "m_pPerDimCmbBox")->setCurrentText("отсчет");
        QCOMPARE(field(dlg, "m_pPeriodCh4Edit"), QString("98.649"));
        kit::child<QComboBox>(dlg, "m_pPerDimCmbBox")->setCurrentText("нс");
        QCOMPARE(field(dlg, "m_pPeriodCh2Edit"), QString("98648.515"));
    }

    // The oscilloscope window is the span measured; a window past the buffer is cut to it.
    void windowOrWholeBlock()
    {
        PhaseMisDlg dlg;
        dlg.show();
        const BlockSnapshotPtr b = delayed(30, {30000, 30000, 30000, 30000}, 20000);
        measure(dlg, b, window(15000, 3000));
        QCOMPARE(dlg.lastOutcome()->sampleCount, uint64_t(3000));
        QCOMPARE(field(dlg, "m_pPhaseMis2Edit"), QString("-30"));
        measure(dlg, b, window(19000, 3000)); // 1000 samples: 10 periods
        QCOMPARE(dlg.lastOutcome()->sampleCount, uint64_t(1000));
        QVERIFY(std::abs(field(dlg, "m_pPhaseMis2Edit").toDouble() + 30) < 0.005);
        measure(dlg, b, window(25000, 3000)); // past the buffer: nothing to measure
        QCOMPARE(dlg.lastOutcome()->sampleCount, uint64_t(0));
        QCOMPARE(field(dlg, "m_pPhaseMis2Edit"), QString("900"));

        int wishes = 0;
        dlg.setRequests({{}, [&] { ++wishes; }, {}});
        kit::child<QCheckBox>(dlg, "m_pWinCheck")->setChecked(false);
        QCOMPARE(wishes, 1);
        QVERIFY(dlg.wantsWholeRecord());
        measure(dlg, b, window(15000, 3000));
        QCOMPARE(dlg.lastOutcome()->sampleCount, uint64_t(20000));
        dlg.close();
        QVERIFY(!dlg.wantsWholeRecord());
        QCOMPARE(wishes, 2);
    }

    // 360: energy below half the reference's; 900: too few periods; 1000: no such channel.
    void failureValues()
    {
        PhaseMisDlg dlg;
        dlg.show();
        measure(dlg, delayed(10, {30000, 0.70 * 30000, 0.72 * 30000, 30000}));
        QCOMPARE(field(dlg, "m_pPhaseMis2Edit"), QString("360"));
        QCOMPARE(field(dlg, "m_pPhaseMis3Edit"), QString("-20"));

        measure(dlg, delayed(10, {30000, 30000, 30000, 30000}, 400)); // 4 periods
        QCOMPARE(field(dlg, "m_pPhaseMis2Edit"), QString("900"));

        const BlockSnapshotPtr two = delayed(10, {30000, 30000});
        dlg.setChannelNumbers(two->channels.numbers());
        measure(dlg, two);
        QCOMPARE(field(dlg, "m_pPhaseMis2Edit"), QString("-10"));
        QCOMPARE(field(dlg, "m_pPhaseMis3Edit"), QString("1000"));
    }

    // A spectrum that does not resolve the tone gives way to the crossings; a record without a
    // sample rate keeps degrees and samples and leaves times blank, saying why.
    void withheldFigures()
    {
        PhaseMisDlg dlg;
        dlg.show();
        measure(dlg, delayed(12.5, {30000, 30000, 30000, 30000}, 65536, 5864));
        QCOMPARE(field(dlg, "m_pPeriodCh1Edit"), QString("0.099"));
        QCOMPARE(field(dlg, "m_pPhaseMis2Edit"), QString("-12.5"));

        measure(dlg, delayed(12.5, {30000, 30000, 30000, 30000}, 65536, 0, 0));
        QCOMPARE(field(dlg, "m_pPhaseMis2Edit"), QString("-12.5"));
        auto *unit = kit::child<QComboBox>(dlg, "m_pPhaseMisDimCmbBox");
        unit->setCurrentText("отсчет");
        QCOMPARE(field(dlg, "m_pPhaseMis3Edit"), QString("-6.851"));
        unit->setCurrentText("мкс");
        auto *phase = kit::child<QLineEdit>(dlg, "m_pPhaseMis2Edit");
        QCOMPARE(phase->text(), QString());
        QVERIFY(phase->toolTip().contains("частота дискретизации"));
        QCOMPARE(field(dlg, "m_pPeriodCh1Edit"), QString());
        QVERIFY(kit::child<QLabel>(dlg, "m_pReasonLabel")->text().contains("частота дискретизации"));
    }

    // Exceeding an upper threshold stops acquisition once, however many blocks follow; an
    // empty lower field skips the channel's upper test too.
    void thresholdStopsOnce()
    {
        PhaseMisDlg dlg;
        dlg.show();
        // The window answers a stop at once.
        int stops = 0;
        dlg.setRequests({[&](bool run) {
                             stops += !run;
                             dlg.setRunning(run);
                         },
                         {},
                         {}});
        dlg.setRunning(true);
        kit::child<QCheckBox>(dlg, "m_pLow2Check")->setChecked(true);
        kit::child<QLineEdit>(dlg, "m_pLow2Edit")->clear();
        kit::child<QCheckBox>(dlg, "m_pHi2Check")->setChecked(true);
        kit::child<QLineEdit>(dlg, "m_pHi2Edit")->setText("-20");
        measure(dlg, delayed(12.5)); // -12.5 > -20, but channel 2 is passed over
        QCOMPARE(stops, 0);

        kit::child<QCheckBox>(dlg, "m_pLow2Check")->setChecked(false);
        const BlockSnapshotPtr b = delayed(12.5);
        for (int i = 0; i < 5; ++i)
            dlg.followBlock({b, window(0, 65536)});
        QTRY_VERIFY(!dlg.isMeasuring());
        QTest::qWait(20);
        QCOMPARE(stops, 1);
        QVERIFY(!dlg.isAcquisitionRunning());
        QCOMPARE(kit::child<QPushButton>(dlg, "m_pStartButton")->text(), QString("Старт"));

        // A lower threshold above the phase stops too, in the shown unit.
        dlg.setRunning(true);
        kit::child<QCheckBox>(dlg, "m_pHi2Check")->setChecked(false);
        kit::child<QComboBox>(dlg, "m_pPhaseMisDimCmbBox")->setCurrentText("отсчет");
        kit::child<QCheckBox>(dlg, "m_pLow3Check")->setChecked(true);
        kit::child<QLineEdit>(dlg, "m_pLow3Edit")->setText("-6"); // channel 3 is at -6.85
        measure(dlg, b);
        QCOMPARE(stops, 2);
    }

    // A click asks for the other state; the button shows the one the window reports.
    void startButton()
    {
        PhaseMisDlg dlg;
        QList<bool> runs;
        dlg.setRequests({[&](bool run) { runs << run; }, {}, {}});
        auto *button = kit::child<QPushButton>(dlg, "m_pStartButton");
        button->click();
        QCOMPARE(runs, QList<bool>{true});
        QCOMPARE(button->text(), QString("Старт"));
        dlg.setRunning(true);
        QCOMPARE(button->text(), QString("Стоп"));
        QCOMPARE(button->styleSheet(), QString("background-color: red"));
        button->click();
        QCOMPARE(runs, (QList<bool>{true, false}));
        dlg.setRunning(false);
        QCOMPARE(button->text(), QString("Старт"));
    }

    // Keys as doubles under "PhaseMis", the defaults for a missing or unknown code, and all
    // of them written when the dialog closes.
    void keys()
    {
        kit::ScratchIni ini;
        PhaseMisDlg dlg;
        dlg.setConfigPath(ini.path());
        ini.set("PhaseMis/PeriodDimension", 42);
        ini.set("PhaseMis/Dimension", 16);
        ini.set("PhaseMis/FullData", 1);
        ini.set("PhaseMis/FindHi3", 1);
        ini.set("PhaseMis/FindHiVal3", 7.25);
        dlg.loadSettings();
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pPerDimCmbBox")->currentText(), QString("мс"));
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pPhaseMisDimCmbBox")->currentText(), QString("радиан"));
        QVERIFY(!kit::child<QCheckBox>(dlg, "m_pWinCheck")->isChecked());
        QVERIFY(kit::child<QCheckBox>(dlg, "m_pHi3Check")->isChecked());
        QCOMPARE(kit::child<QLineEdit>(dlg, "m_pHi3Edit")->text(), QString("7.25"));

        kit::child<QComboBox>(dlg, "m_pPerDimCmbBox")->setCurrentText("отсчет");
        kit::child<QCheckBox>(dlg, "m_pLow4Check")->setChecked(true);
        kit::child<QLineEdit>(dlg, "m_pLow4Edit")->setText("-1.5");
        dlg.show();
        dlg.close();
        QCOMPARE(ini.get("PhaseMis/PeriodDimension").toDouble(), 3.0);
        QCOMPARE(ini.get("PhaseMis/Dimension").toDouble(), 16.0);
        QCOMPARE(ini.get("PhaseMis/FullData").toDouble(), 1.0);
        QCOMPARE(ini.get("PhaseMis/FindLow4").toDouble(), 1.0);
        QCOMPARE(ini.get("PhaseMis/FindLowVal4").toDouble(), -1.5);
        QCOMPARE(ini.get("PhaseMis/FindHi2").toDouble(), 0.0);
        PhaseMisSettings back;
        back.load(ini.path());
        QVERIFY(back == dlg.settings());
    }

    // Channel choosers keep their channel while it is offered; the i-th is taken otherwise.
    void channelChoice()
    {
        PhaseMisDlg dlg;
        dlg.setChannelNumbers({4, 5, 6, 7});
        kit::child<QComboBox>(dlg, "m_pChan1CmbBox")->setCurrentText("6");
        dlg.setChannelNumbers({5, 6, 7});
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pChan1CmbBox")->currentText(), QString("6"));
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pChan2CmbBox")->currentText(), QString("5"));
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pChan4CmbBox")->currentText(), QString("7"));
        dlg.setChannelNumbers({8, 9});
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pChan1CmbBox")->currentText(), QString("8"));
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pChan2CmbBox")->currentText(), QString("9"));
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pChan3CmbBox")->currentIndex(), -1);
    }

    // Blocks arriving while a task runs: only the newest waits, nothing queues up, and the
    // dialog closed meanwhile measures nothing more.
    void oneTaskOneWaiting()
    {
        PhaseMisDlg dlg;
        dlg.show();
        const BlockSnapshotPtr big = delayed(5, {30000, 30000, 30000, 30000}, 1 << 20);
        const BlockSnapshotPtr last = delayed(20);
        dlg.setChannelNumbers(big->channels.numbers());
        kit::child<QCheckBox>(dlg, "m_pWinCheck")->setChecked(false);
        dlg.followBlock({big, window(0, 0)});
        for (int i = 0; i < 10; ++i)
            dlg.followBlock({big, window(0, 0)});
        dlg.followBlock({last, window(0, 0)});
        QTRY_VERIFY(!dlg.isMeasuring());
        QTRY_COMPARE(field(dlg, "m_pPhaseMis2Edit"), QString("-20"));
        QTRY_VERIFY(!dlg.isMeasuring());
        QCOMPARE(field(dlg, "m_pPhaseMis2Edit"), QString("-20"));

        dlg.followBlock({big, window(0, 0)});
        dlg.followBlock({last, window(0, 0)});
        dlg.close();
        dlg.followBlock({delayed(40), window(0, 65536)}); // hidden: ignored
        QTRY_VERIFY(!dlg.isMeasuring());
        QTest::qWait(20);
        QVERIFY(!dlg.isMeasuring());
    }

    // Blocks that come after a task has ended but before its report is handled do not throw the
    // report away: on a slow machine, where a block always waits in the queue, none was shown.
    void reportsSurviveLateBlocks()
    {
        PhaseMisDlg dlg;
        dlg.show();
        const BlockSnapshotPtr first = delayed(10), later = delayed(30);
        dlg.setChannelNumbers(first->channels.numbers());
        dlg.followBlock({first, window(0, 65536)});
        for (int i = 0; i < 5; ++i) {
            QThreadPool::globalInstance()->waitForDone(); // ended; its report is still queued
            dlg.followBlock({later, window(0, 65536)});
        }
        QCoreApplication::processEvents();
        QCOMPARE(field(dlg, "m_pPhaseMis2Edit"), QString("-10"));
        QTRY_COMPARE(field(dlg, "m_pPhaseMis2Edit"), QString("-30"));
    }

    // The destructor waits for the task it started.
    void destroyedWhileMeasuring()
    {
        auto *dlg = new PhaseMisDlg;
        dlg->show();
        const BlockSnapshotPtr big = delayed(5, {30000, 30000, 30000, 30000}, 1 << 21);
        dlg->setChannelNumbers(big->channels.numbers());
        kit::child<QCheckBox>(*dlg, "m_pWinCheck")->setChecked(false);
        dlg->followBlock({big, window(0, 0)});
        QVERIFY(dlg->isMeasuring());
        delete dlg;
        QTRY_COMPARE(big.use_count(), 1L); // the pool let go of the task and its block
    }
};

QTEST_MAIN(PhaseMisDlgTest)
#include "test_phasemisdlg.moc"
