// The device table's verdicts: THD is judged the other way round from the other figures, a
// value on its criterion passes, a thousandth either side decides, and the highlighting modes
// single out the first or last failure in reading order.
#include "dsp/DeviceTable.h"

#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(DeviceFigure)

class DeviceTableTest : public QObject {
    Q_OBJECT
private slots:
    void passRules_data()
    {
        QTest::addColumn<DeviceFigure>("figure");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("criterion");
        QTest::addColumn<bool>("passes");
        const double c = 70.0;
        for (DeviceFigure f : {FigureSfdr, FigureSnr, FigureThdn, FigureEnob}) {
            const QByteArray n = QByteArray::number(int(f));
            QTest::newRow(n + " equal") << f << c << c << true;
            QTest::newRow(n + " above") << f << c + 0.001 << c << true;
            QTest::newRow(n + " below") << f << c - 0.001 << c << false;
        }
        QTest::newRow("THD equal") << FigureThd << -70.0 << -70.0 << true;
        QTest::newRow("THD below") << FigureThd << -70.001 << -70.0 << true;
        QTest::newRow("THD above") << FigureThd << -69.999 << -70.0 << false;
        // With every criterion 0: THD -60 passes, +1 fails; SNR 70 passes, ENB -0.5 fails.
        QTest::newRow("THD -60 vs 0") << FigureThd << -60.0 << 0.0 << true;
        QTest::newRow("THD +1 vs 0") << FigureThd << 1.0 << 0.0 << false;
        QTest::newRow("SNR 70 vs 0") << FigureSnr << 70.0 << 0.0 << true;
        QTest::newRow("ENB -0.5 vs 0") << FigureEnob << -0.5 << 0.0 << false;
        QTest::newRow("THD NaN") << FigureThd << double(NAN) << 0.0 << false;
        QTest::newRow("SNR NaN") << FigureSnr << double(NAN) << 0.0 << false;
    }
    void passRules()
    {
        QFETCH(DeviceFigure, figure);
        QFETCH(double, value);
        QFETCH(double, criterion);
        QFETCH(bool, passes);
        QCOMPARE(figurePasses(figure, value, criterion), passes);
    }

    // Three failures: row 0 SNR, row 1 THD and ENB.
    void highlighting()
    {
        const DeviceValues criteria = {60, 60, -60, 55, 9};
        const std::vector<DeviceValues> rows = {{70, 50, -70, 56, 10}, {70, 65, -50, 56, 8}};
        using V = CellVerdict;
        auto none = judgeTable(rows, criteria, HighlightMode::None);
        QCOMPARE(none[0][FigureSnr], V::Fail);
        QCOMPARE(none[1][FigureThd], V::Fail);
        QCOMPARE(none[1][FigureEnob], V::Fail);
        QCOMPARE(none[0][FigureThd], V::Pass);
        auto first = judgeTable(rows, criteria, HighlightMode::First);
        QCOMPARE(first[0][FigureSnr], V::Highlighted);
        QCOMPARE(first[1][FigureThd], V::Fail);
        QCOMPARE(first[1][FigureEnob], V::Fail);
        auto last = judgeTable(rows, criteria, HighlightMode::Last);
        QCOMPARE(last[0][FigureSnr], V::Fail);
        QCOMPARE(last[1][FigureThd], V::Fail);
        QCOMPARE(last[1][FigureEnob], V::Highlighted);
        QVERIFY(!allPassed(first));
        QVERIFY(allPassed(judgeTable({{70, 70, -70, 70, 10}}, criteria, HighlightMode::Last)));
        QVERIFY(allPassed(judgeTable({}, criteria, HighlightMode::First)));
    }
};

QTEST_APPLESS_MAIN(DeviceTableTest)
#include "test_device_table.moc"
