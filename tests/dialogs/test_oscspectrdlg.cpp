// The analyser settings dialog: its defaults, the power-axis checks, the FFT size that must
// fit the record, how settings are shown, and that OK hands back the edit.
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
    void freshDialogShowsTheDefaults()
    {
        OscSpectrDlg dlg;
        QVERIFY(dlg.settings() == AnalyserSettings());
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pWindowTypeBox")->currentText(),
                 QString::fromUtf8("7-ми чл. Блэкмана-Хэрриса"));
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pFreqDimensionCmbBox")->currentText(), QString::fromUtf8("кГц"));
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pPowDimensionCmbBox")->currentText(), QString::fromUtf8("дБ/макс"));
        QVERIFY(!kit::child<QSpinBox>(dlg, "m_pSidelobeLevelSpin")->isEnabled());
        QVERIFY(!kit::child<QLineEdit>(dlg, "m_pLowFreqEdit")->isEnabled());
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
        QTest::newRow("dBFS span 5") << QString::fromUtf8("дБFS") << 0.0 << -5.0 << SpanRule;
    }
    void powerLimits()
    {
        QFETCH(QString, unit);
        QFETCH(double, max);
        QFETCH(double, min);
        QFETCH(QString, refusal);
        OscSpectrDlg dlg;
        dlg.show();
        choose(kit::child<QComboBox>(dlg, "m_pPowDimensionCmbBox"), unit);
        kit::child<QDoubleSpinBox>(dlg, "m_pMaxPowerSpin")->setValue(max);
        kit::child<QDoubleSpinBox>(dlg, "m_pMinPowerSpin")->setValue(min);
        kit::MessageHand hand;
        dlg.accept();
        if (refusal.isEmpty()) {
            QVERIFY(hand.seen().isEmpty());
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            QCOMPARE(dlg.settings().minPower, min);
        } else {
            QCOMPARE(hand.texts(), QStringList{refusal});
            QCOMPARE(hand.seen().first().title, QStringLiteral("ORMA"));
            QVERIFY(dlg.isVisible());
            QCOMPARE(dlg.result(), int(QDialog::Rejected)); // nothing handed back
        }
    }

    // dBFS came after the five older units: it has a code of its own, and the older codes keep
    // their entries.
    void dbfsIsAPowerUnitOfItsOwn()
    {
        OscSpectrDlg dlg;
        auto *units = kit::child<QComboBox>(dlg, "m_pPowDimensionCmbBox");
        AnalyserSettings s;
        s.powerDimension = DimDbfs;
        dlg.setSettings(s);
        QCOMPARE(units->currentText(), QString::fromUtf8("дБFS"));
        QCOMPARE(dlg.settings().powerDimension, int(DimDbfs));
        s.powerDimension = DimDbMicrovolt;
        dlg.setSettings(s);
        QCOMPARE(units->currentText(), QString::fromUtf8("дБмкВ"));
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
        OscSpectrDlg dlg;
        dlg.setSampleCount(samples);
        auto *combo = kit::child<QComboBox>(dlg, "m_pFftSizeCmbBox");
        kit::MessageHand hand;
        pick(combo, chosen);
        QCOMPARE(combo->currentText(), shown);
        QCOMPARE(hand.texts(), chosen == shown ? QStringList() : QStringList{FftRule});
    }

    void settingsAreShownByTheirEntries_data()
    {
        QTest::addColumn<uint>("size");
        QTest::addColumn<QString>("shown");
        QTest::newRow("65536") << 65536u << "64K";
        QTest::newRow("2097152") << 2097152u << "2M";
        QTest::newRow("8192") << 8192u << "8K";
        QTest::newRow("4096") << 4096u << "4096";
        QTest::newRow("between sizes") << 1000u << "512";
        QTest::newRow("below the list") << 5u << "16";
    }
    void settingsAreShownByTheirEntries()
    {
        QFETCH(uint, size);
        QFETCH(QString, shown);
        AnalyserSettings s;
        s.fftSize = size;
        s.lowFreqHz = 1500;
        s.impedance = 600;
        s.timeDimension = DimMicroseconds;
        OscSpectrDlg dlg;
        dlg.setSettings(s);
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pFftSizeCmbBox")->currentText(), shown);
        QCOMPARE(kit::child<QLineEdit>(dlg, "m_pLowFreqEdit")->text(), QStringLiteral("1.5")); // kHz
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pImpedanceCmbBox")->currentText(), QStringLiteral("600"));
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pXDimensionCmbBox")->currentText(), QString::fromUtf8("мкс"));
        QCOMPARE(dlg.settings().fftSize, AnalyserSettings::listedFftSize(size));
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
        OscSpectrDlg dlg;
        dlg.show();
        auto *edit = kit::child<QLineEdit>(dlg, qPrintable(field));
        edit->setText(text);
        QCOMPARE(edit->hasAcceptableInput(), acceptable);
        kit::MessageHand hand;
        dlg.accept();
        // A half-typed number is refused with a warning instead of being handed back.
        QCOMPARE(hand.seen().size(), acceptable ? 0 : 1);
        QCOMPARE(dlg.result(), int(acceptable ? QDialog::Accepted : QDialog::Rejected));
    }

    void okHandsBackEverySetting()
    {
        OscSpectrDlg dlg;
        dlg.show();
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
        QVERIFY(kit::child<QLineEdit>(dlg, "m_pLowFreqEdit")->isEnabled());
        kit::child<QLineEdit>(dlg, "m_pLowFreqEdit")->setText("0.5");
        choose(kit::child<QComboBox>(dlg, "m_pPowDimensionCmbBox"), QString::fromUtf8("дБмкВ"));
        choose(kit::child<QComboBox>(dlg, "m_pImpedanceCmbBox"), "600");
        kit::child<QDoubleSpinBox>(dlg, "m_pMaxPowerSpin")->setValue(120);
        kit::child<QDoubleSpinBox>(dlg, "m_pMinPowerSpin")->setValue(-20);
        kit::child<QCheckBox>(dlg, "m_pHarmonicCheck")->setChecked(true);
        kit::child<QLineEdit>(dlg, "m_pHarmEdit")->setText("9");
        kit::child<QLineEdit>(dlg, "m_pSfdrBandWidthEdit")->setText("2500");
        kit::child<QPushButton>(dlg, "m_pOkButton")->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));

        // Units as their codes, the low edge in Hz, the window by its code, not its list place.
        AnalyserSettings expected;
        expected.timeDimension = DimSeconds;
        expected.timeout = 250;
        expected.amplDimension = DimMillivolts;
        expected.gainIndex = 1;
        expected.fftSize = 65536;
        expected.averageCount = 16;
        expected.windowType = WindowKaiser;
        expected.sidelobeLevel = 90;
        expected.freqDimension = DimHertz;
        expected.spectrRange = 0;
        expected.isFreqShift = false;
        expected.isDb = true;
        expected.lowFreqHz = 500;
        expected.powerDimension = DimDbMicrovolt;
        expected.impedance = 600;
        expected.maxPower = 120;
        expected.minPower = -20;
        expected.isShowHarmonic = true;
        expected.harmonicCount = 9;
        expected.sfdrBandWidth = 2500;
        QVERIFY(dlg.settings() == expected);

        // Shown again, the same settings come back unchanged.
        OscSpectrDlg again;
        again.setSettings(expected);
        QVERIFY(again.settings() == expected);
    }

    // The main window keeps its dialog and fills it anew at every opening: nothing a cancelled
    // edit left in the widgets, enabled states included, may survive that.
    void reopeningAfterCancelShowsTheOwnersSettings()
    {
        AnalyserSettings owner;
        owner.windowType = WindowChebyshev;
        owner.timeout = 40;
        const AnalyserSettings kept = owner;
        OscSpectrDlg dlg;
        dlg.setSettings(owner);
        dlg.setInterpolation(true);
        dlg.show();
        QVERIFY(kit::child<QSpinBox>(dlg, "m_pSidelobeLevelSpin")->isEnabled());

        kit::child<QSpinBox>(dlg, "m_pTimeOutSpin")->setValue(900);
        kit::child<QCheckBox>(dlg, "m_pInterpolationCheck")->setChecked(false);
        choose(kit::child<QComboBox>(dlg, "m_pWindowTypeBox"), QString::fromUtf8("Хэннинга"));
        kit::child<QCheckBox>(dlg, "m_pDbCheck")->setChecked(true);
        kit::child<QLineEdit>(dlg, "m_pHarmEdit")->setText("12");
        kit::child<QPushButton>(dlg, "m_pCancelButton")->click();
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(owner == kept);

        dlg.setSettings(owner);
        dlg.setInterpolation(true);
        QVERIFY(dlg.settings() == kept);
        QVERIFY(dlg.isInterpolation());
        QVERIFY(kit::child<QSpinBox>(dlg, "m_pSidelobeLevelSpin")->isEnabled());
        QVERIFY(!kit::child<QLineEdit>(dlg, "m_pLowFreqEdit")->isEnabled());
    }
};

QTEST_MAIN(OscSpectrDlgTest)
#include "test_oscspectrdlg.moc"
