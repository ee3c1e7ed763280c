// Power span lists, number formats, slider resolution and the level arithmetic of the
// read-outs, by table.
#include <QtTest>

#include <cmath>

#include "panels/ChooserItems.h"
#include "panels/OrmaSlider.h"
#include "panels/PanelNumbers.h"
#include "panels/PowerReadout.h"
#include "plot/Transforms.h"

class ChoosersTest : public QObject
{
    Q_OBJECT

private slots:
    void powerSpansAndSteps()
    {
        const QStringList db = powerSpanItems(120, DimDecibelsRelative);
        QCOMPARE(db.size(), 12);
        QCOMPARE(db.first(), QStringLiteral("120"));
        QCOMPARE(db.last(), QStringLiteral("10"));
        QCOMPARE(powerSpanItems(1, DimVolts), QStringList({"1", "0.1", "0.01", "0.001", "0.0001", "0.00001"}));
        // A unit change steps volts by 1: a 3 V span offers 3, 2 and 1.
        QCOMPARE(powerSpanItems(3, DimVolts, PowerSpanSteps::Units), QStringList({"3", "2", "1"}));
        QCOMPARE(powerSpanItems(25, DimDecibels, PowerSpanSteps::Units), QStringList({"25", "15", "5"}));
        QCOMPARE(powerSpanItems(123.4567891, DimDecibels).first(), QStringLiteral("123.457"));
        QVERIFY(powerSpanItems(0, DimDecibels).isEmpty());

        // At most ten divisions, from 10 dB up by doubling; a span of volts still gets a tick
        // step inside it.
        const struct { double span, step; } steps[] = {{120, 20}, {100, 10}, {250, 40}, {10, 10}, {1, 1}, {0.01, 0.01}};
        for (const auto &s : steps)
            QCOMPARE(powerStep(s.span), s.step);
    }

    void roundingAndFitting()
    {
        QCOMPARE(roundToWhole(2.4), 2.0);
        QCOMPARE(roundToWhole(2.41), 3.0);
        QCOMPARE(roundToWhole(-0.5), 0.0);

        QCOMPARE(fittedNumber(1.5, 3, 9, true), QStringLiteral("1.5"));
        QCOMPARE(fittedNumber(-12.3456, 3, 7, false), QStringLiteral("-12.346"));
        // Cutting "12345.678" to seven characters would read 12345.6: it is rounded instead.
        QCOMPARE(fittedNumber(12345.678, 3, 7, false), QStringLiteral("12345.7"));
        // Eight digits cut to seven would be ten times too small.
        QCOMPARE(fittedNumber(12345678.0, 0, 7, false), QStringLiteral("1.2e+07"));
    }

    void sliderResolutionRule()
    {
        QCOMPARE(sliderResolution(0, 10.5, 1000), 0.01);
        QCOMPARE(sliderResolution(0, 10.995, 1000), 0.1);
        QCOMPARE(sliderResolution(0, 10.005, 1000), 0.1);
        QCOMPARE(sliderResolution(0, 4096, 1024), 1024.0);
        QCOMPARE(sliderResolution(0, 4096, 0), 1.0);
    }

    void readoutBands()
    {
        const BinBand view = readoutBand(false, 0, false, 0, 10.7, 300.2);
        QCOMPARE(view.lower, 10);
        QCOMPARE(view.upper, 300);
        const BinBand both = readoutBand(true, 40, true, 12, 0, 511);
        QCOMPARE(both.lower, 12);
        QCOMPARE(both.upper, 40);
        const BinBand one = readoutBand(false, 5, true, 33, 0, 511);
        QCOMPARE(one.lower, 33);
        QCOMPARE(one.upper, 33);
        QCOMPARE(readoutBand(false, 0, false, 0, -20, 100).lower, 0);
    }

    void densityPerRootHertz()
    {
        // Ten bins of 100 Hz (102.4 kHz over 1024 points) make 1 kHz.
        const std::optional<double> d = densityLevel(5.0, BinBand{20, 29}, 102400, 1024);
        QVERIFY(d);
        QCOMPARE(*d, 5.0 / std::sqrt(1000.0));
        QVERIFY(!densityLevel(5.0, BinBand{20, 29}, 0, 1024));
    }

    void levelUnits_data()
    {
        QTest::addColumn<double>("mv");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<double>("expected");
        // 1 V RMS: 0 dBV, 120 dBuV, 20 mW in 50 ohms, sqrt(2) V peak.
        QTest::newRow("dB") << 1000.0 << "dB" << 0.0;
        QTest::newRow("dBuV") << 1000.0 << "dBuV" << 120.0;
        QTest::newRow("dBm") << 1000.0 << "dBm" << 10 * std::log10(20.0);
        QTest::newRow("peak") << 1000.0 << "В(ампл)" << std::sqrt(2.0);
        QTest::newRow("V") << 250.0 << "В(эфф)" << 0.25;
        QTest::newRow("mV") << 250.0 << "мВ(эфф)" << 250.0;
        QTest::newRow("uV") << 0.25 << "мкВ(эфф)" << 250.0;
        QTest::newRow("half of max") << 1000.0 << "dB/max" << 20 * std::log10(0.5);
        QTest::newRow("nothing") << 0.0 << "dB" << PowerTransforms::zeroPowerDb;
    }

    void levelUnits()
    {
        QFETCH(double, mv);
        QFETCH(QString, unit);
        QFETCH(double, expected);
        QVERIFY(std::fabs(levelInUnit(mv, unit, 2.0, 50) - expected) < 1e-9);
    }
};

QTEST_MAIN(ChoosersTest)
#include "test_choosers.moc"
