// The analyser settings dialog: its defaults, the power-axis checks, the FFT size that must
// fit the record, how stored values are shown, and that OK stores and Cancel forgets.
#include "dialogs/OscSpectrDlg.h"

#include "DialogTestKit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

const QString SpanRule = QString::fromUtf8("\nНе выполняется условие: Max - Min >= 10");
const QString OrderRule = QString::fromUtf8("\nНе выполняется условие: Max > Min");
const QString SignRule = QString::fromUtf8("\nНе выполняется условие: Max, Min > 0");
const QString FftRule = QString::fromUtf8("\nРазмер ДПФ не должен превосходить число отсчётов на канал!");

void choose(QComboBox *combo, const QString &sText)
{
    const int nIdx = combo->findText(sText);
    QVERIFY2(nIdx >= 0, qPrintable(sText));
    combo->setCurrentIndex(nIdx);
}

// Every value the main window reads, in a fixed order, for comparing whole states.
QVariantList values(const OscSpectrDlg &d)
{
    return {d.timeDimension(), d.timeout(),       d.amplDimension(), d.gainIndex(),    d.fftSize(),
            d.averageCount(),  d.windowType(),    d.sidelobeLevel(), d.freqDimension(), d.spectrRange(),
            d.isFreqShift(),   d.isDb(),          d.lowFreqHz(),     d.powerDimension(), d.impedance(),
            d.maxPower(),      d.minPower(),      d.isShowHarmonic(), d.harmonicCount(), d.sfdrBandWidth()};
}

// What the user does: pick an entry of the list.
void pick(QComboBox *combo, const QString &sText)
{
    choose(combo, sText);
    emit combo->activated(combo->currentIndex());
}

} // namespace

class OscSpectrDlgTest : public QObject {
    Q_OBJECT
private slots:
    void freshConfigurationGivesDefaults()
    {
        kit::ScratchIni ini;
        OscSpectrDlg dlg;
        dlg.setConfigPath(ini.path());
        dlg.load();
        // samples, 100 ms, codes, to the ADC input, 1024, 1, the 7-term window, 120 dB, kHz,
        // centred, shifted, linear, 0 Hz, dB/max, 50 Ohm, 0 .. -120, no marks, 6, 0 Hz.
        const QVariantList expected = {3, 100, 0, 0, 1024u, 1, 2, 120.0, 14, 1,
                                       true, false, 0.0, 9, 50, 0.0, -120.0, false, 6, 0};
        QCOMPARE(values(dlg), expected);
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pWindowTypeBox")->currentText(),
                 QString::fromUtf8("7-ми чл. Блэкмана-Хэрриса"));
        QVERIFY(!kit::child<QSpinBox>(dlg, "m_pSidelobeLevelSpin")->isEnabled());
        QVERIFY(kit::child<QCheckBox>(dlg, "m_pAccumulationCheck")->isHidden());
    }

    void powerLimits_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("min");
        QTest::addColumn<QString>("refusal"); // empty: accepted
        const QString dB = QString::fromUtf8("дБ");
        const QString volts = QString::fromUtf8("В");
        QTest::newRow("dB span 5") << dB << 0.0 << -5.0 << SpanRule;
        QTest::newRow("dB span 10") << dB << 0.0 << -10.0 << QString();
        QTest::newRow("span 9.9 truncates to 9") << QString::fromUtf8("дБ/макс") << 0.0 << -9.9 << SpanRule;
        QTest::newRow("equal") << dB << 5.0 << 5.0 << OrderRule;
        QTest::newRow("volts 1..0") << volts << 1.0 << 0.0 << QString();
        QTest::newRow("volts small span") << volts << 0.5 << 0.1 << QString();
        QTest::newRow("volts negative min") << volts << 1.0 << -1.0 << SignRule;
        QTest::newRow("volts inverted") << volts << 0.0 << 1.0 << OrderRule;
    }
    void powerLimits()
    {
        QFETCH(QString, unit);
        QFETCH(double, max);
        QFETCH(double, min);
        QFETCH(QString, refusal);
        kit::ScratchIni ini;
        OscSpectrDlg dlg;
        dlg.setConfigPath(ini.path());
        dlg.show();
        choose(kit::child<QComboBox>(dlg, "m_pPowDimensionCmbBox"), unit);
        kit::child<QDoubleSpinBox>(dlg, "m_pMaxPowerSpin")->setValue(max);
        kit::child<QDoubleSpinBox>(dlg, "m_pMinPowerSpin")->setValue(min);
        kit::MessageHand hand;
        dlg.accept();
        if (refusal.isEmpty()) {
            QVERIFY(hand.seen().isEmpty());
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            QCOMPARE(ini.get("SpectrPanel/MinPower").toDouble(), min);
        } else {
            QCOMPARE(hand.texts(), QStringList{refusal});
            QCOMPARE(hand.seen().first().title, QStringLiteral("ORMA"));
            QVERIFY(dlg.isVisible());
            QVERIFY(!QFile::exists(ini.path())); // nothing stored
        }
    }

    void fftSizeMustFitTheRecord_data()
    {
        QTest::addColumn<qulonglong>("samples");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("shown");
        QTest::newRow("3000 samples, 4096") << 3000ull << "4096" << "2048";
        QTest::newRow("3000 samples, 8M") << 3000ull << "8M" << "2048";
        QTest::newRow("exactly 4096") << 4096ull << "4096" << "4096";
        QTest::newRow("unknown length") << 0ull << "8M" << "8M";
        QTest::newRow("fallback stops at 1M") << 5000000ull << "8M" << "1M";
        QTest::newRow("shorter than the smallest size") << 10ull << "64" << "16";
        // A length beyond 32 bits must not wrap around to a short record.
        QTest::newRow("2^32 + 100 samples") << 4294967396ull << "8M" << "8M";
    }
    void fftSizeMustFitTheRecord()
    {
        QFETCH(qulonglong, samples);
        QFETCH(QString, chosen);
        QFETCH(QString, shown);
        kit::ScratchIni ini;
        OscSpectrDlg dlg;
        dlg.setConfigPath(ini.path());
        dlg.setSampleCount(samples);
        auto *combo = kit::child<QComboBox>(dlg, "m_pFftSizeCmbBox");
        kit::MessageHand hand;
        pick(combo, chosen);
        QCOMPARE(combo->currentText(), shown);
        QCOMPARE(hand.texts(), chosen == shown ? QStringList() : QStringList{FftRule});
    }

    void storedValuesAreShownByTheirEntries_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("65536") << "65536" << "64K";
        QTest::newRow("2097152") << "2097152" << "2M";
        QTest::newRow("8192") << "8192" << "8K";
        QTest::newRow("4096") << "4096" << "4096";
        QTest::newRow("between sizes") << "1000" << "512";
        QTest::newRow("below the list") << "5" << "16";
        QTest::newRow("garbage") << "lots" << "1024";
    }
    void storedValuesAreShownByTheirEntries()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        kit::ScratchIni ini;
        ini.set("SpectrPanel/FftSize", stored);
        ini.set("SpectrPanel/LowFreq", 1500);
        OscSpectrDlg dlg;
        dlg.setConfigPath(ini.path());
        dlg.load();
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pFftSizeCmbBox")->currentText(), shown);
        QCOMPARE(kit::child<QLineEdit>(dlg, "m_pLowFreqEdit")->text(), QStringLiteral("1.5")); // kHz
    }

    void typedFieldsTakeOnlyNumbersInRange_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("acceptable");
        QTest::newRow("0 harmonics") << "m_pHarmEdit" << "0" << false;
        QTest::newRow("99 harmonics") << "m_pHarmEdit" << "99" << true;
        QTest::newRow("no harmonic count") << "m_pHarmEdit" << "" << false;
        QTest::newRow("exclusion 2147483647") << "m_pSfdrBandWidthEdit" << "2147483647" << true;
        QTest::newRow("exclusion with a blank") << "m_pSfdrBandWidthEdit" << "1 000" << false;
        QTest::newRow("low edge with decimals") << "m_pLowFreqEdit" << "0.125" << true;
        QTest::newRow("low edge with a comma") << "m_pLowFreqEdit" << "1,500" << false;
        QTest::newRow("low edge in exponent form") << "m_pLowFreqEdit" << "1e3" << false;
    }
    void typedFieldsTakeOnlyNumbersInRange()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(bool, acceptable);
        kit::ScratchIni ini;
        OscSpectrDlg dlg;
        dlg.setConfigPath(ini.path());
        dlg.show();
        auto *edit = kit::child<QLineEdit>(dlg, qPrintable(field));
        edit->setText(text);
        QCOMPARE(edit->hasAcceptableInput(), acceptable);
        kit::MessageHand hand;
        dlg.accept();
        // A half-typed number is refused with a warning instead of being stored.
        QCOMPARE(hand.seen().size(), acceptable ? 0 : 1);
        QCOMPARE(QFile::exists(ini.path()), acceptable);
    }

    void okStoresEverySettingAndLoadReadsItBack()
    {
        kit::ScratchIni ini;
        OscSpectrDlg dlg;
        dlg.setConfigPath(ini.path());
        choose(kit::child<QComboBox>(dlg, "m_pXDimensionCmbBox"), QString::fromUtf8("с"));
        kit::child<QSpinBox>(dlg, "m_pTimeOutSpin")->setValue(250);
        choose(kit::child<QComboBox>(dlg, "m_pYDimensionCmbBox"), QString::fromUtf8("мВ"));
        kit::child<QComboBox>(dlg, "m_pGainCmbBox")->setCurrentIndex(1);
        dlg.setFftSize(65536);
        kit::child<QSpinBox>(dlg, "m_pAverageCountSpin")->setValue(16);
        choose(kit::child<QComboBox>(dlg, "m_pWindowTypeBox"), QString::fromUtf8("Кайзера"));
        QVERIFY(kit::child<QSpinBox>(dlg, "m_pSidelobeLevelSpin")->isEnabled());
        kit::child<QSpinBox>(dlg, "m_pSidelobeLevelSpin")->setValue(90);
        choose(kit::child<QComboBox>(dlg, "m_pFreqDimensionCmbBox"), QString::fromUtf8("Гц"));
        kit::child<QComboBox>(dlg, "m_pSpectrRangeCmbBox")->setCurrentIndex(0);
        kit::child<QCheckBox>(dlg, "m_pFreqShiftCheck")->setChecked(false);
        kit::child<QCheckBox>(dlg, "m_pDbCheck")->setChecked(true);
        kit::child<QLineEdit>(dlg, "m_pLowFreqEdit")->setText("0.5");
        choose(kit::child<QComboBox>(dlg, "m_pPowDimensionCmbBox"), QString::fromUtf8("дБмкВ"));
        choose(kit::child<QComboBox>(dlg, "m_pImpedanceCmbBox"), "600");
        kit::child<QDoubleSpinBox>(dlg, "m_pMaxPowerSpin")->setValue(120);
        kit::child<QDoubleSpinBox>(dlg, "m_pMinPowerSpin")->setValue(-20);
        kit::child<QCheckBox>(dlg, "m_pHarmonicCheck")->setChecked(true);
        kit::child<QLineEdit>(dlg, "m_pHarmEdit")->setText("9");
        kit::child<QLineEdit>(dlg, "m_pSfdrBandWidthEdit")->setText("2500");
        dlg.accept();

        // Codes of the units are stored, not their texts; the low edge in Hz.
        const QVariantList stored = {ini.get("OscPanel/TimeDimension"), ini.get("OscPanel/AmplDimension"),
                                     ini.get("SpectrPanel/WindowType"),  ini.get("SpectrPanel/FreqDimension"),
                                     ini.get("SpectrPanel/PowerDimension"), ini.get("SpectrPanel/LowFreq")};
        QCOMPARE(stored, (QVariantList{"6", "1", "3", "13", "11", "500"}));

        OscSpectrDlg again;
        again.setConfigPath(ini.path());
        again.load();
        QCOMPARE(values(again), values(dlg));
        QCOMPARE(values(again), (QVariantList{6, 250, 1, 1, 65536u, 16, 3, 90.0, 13, 0, false, true, 500.0,
                                              11, 600, 120.0, -20.0, true, 9, 2500}));
    }

    void cancelPutsBackWhatTheDialogOpenedWith()
    {
        kit::ScratchIni ini;
        OscSpectrDlg dlg;
        dlg.setConfigPath(ini.path());
        dlg.load();
        dlg.setInterpolation(true); // presets of the main window are part of the opened state
        dlg.show();
        const QVariantList opened = values(dlg);

        kit::child<QSpinBox>(dlg, "m_pTimeOutSpin")->setValue(900);
        kit::child<QCheckBox>(dlg, "m_pInterpolationCheck")->setChecked(false);
        choose(kit::child<QComboBox>(dlg, "m_pWindowTypeBox"), QString::fromUtf8("Чебышева"));
        kit::child<QCheckBox>(dlg, "m_pDbCheck")->setChecked(true);
        kit::child<QLineEdit>(dlg, "m_pHarmEdit")->setText("12");
        kit::child<QPushButton>(dlg, "m_pCancelButton")->click();

        QCOMPARE(values(dlg), opened);
        QVERIFY(dlg.isInterpolation());
        QVERIFY(!kit::child<QSpinBox>(dlg, "m_pSidelobeLevelSpin")->isEnabled());
        QVERIFY(!kit::child<QLineEdit>(dlg, "m_pLowFreqEdit")->isEnabled());
        QVERIFY(!QFile::exists(ini.path()));
    }

    void absurdStoredValuesAreClamped()
    {
        kit::ScratchIni ini;
        ini.set("OscPanel/TimeDimension", 99);   // no such unit
        ini.set("OscPanel/Timeout", 100000);
        ini.set("OscPanel/IsGain", -3);
        ini.set("SpectrPanel/FftSize", "x");
        ini.set("SpectrPanel/WindowType", 11);   // one past the last window
        ini.set("SpectrPanel/FreqDimension", 2); // a code of another kind of unit
        ini.set("SpectrPanel/FreqShift", "maybe");
        ini.set("SpectrPanel/LowFreq", "nan");
        ini.set("SpectrPanel/Impedance", 75);
        ini.set("SpectrPanel/MinPower", -1e9);
        ini.set("SpectrPanel/HarmNum", 500);
        ini.set("SpectrPanel/SfdrBandWidth", -1);
        OscSpectrDlg dlg;
        dlg.setConfigPath(ini.path());
        dlg.load();
        // Unknown codes and garbage give the defaults; numbers out of range their nearest limit.
        QCOMPARE(values(dlg), (QVariantList{3, 1000, 0, 0, 1024u, 1, 2, 120.0, 14, 1, true, false, 0.0, 9, 50,
                                            0.0, -1000.0, false, 99, 0}));
    }
};

QTEST_MAIN(OscSpectrDlgTest)
#include "test_oscspectrdlg.moc"
