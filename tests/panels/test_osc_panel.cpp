// The oscilloscope panel: the window kept inside the record, amplitude ranges and units, time
// units of the width chooser, gain normalisation and the extremes of the current channel.
#include "PanelTestKit.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>

#include <qwt_scale_div.h>

#include "panels/ComboBoxInc.h"
#include "panels/OrmaOscPanel.h"
#include "panels/OrmaSlider.h"
#include "panels/OrmaTitle.h"
#include "panels/Slider.h"
#include "plot/QwtPlotCurveEx.h"

namespace {

double lowerX(const OrmaOscPanel &p) { return p.plot()->axisScaleDiv(QwtPlot::xBottom).lowerBound(); }
double upperX(const OrmaOscPanel &p) { return p.plot()->axisScaleDiv(QwtPlot::xBottom).upperBound(); }
double upperY(const OrmaOscPanel &p) { return p.plot()->axisScaleDiv(QwtPlot::yLeft).upperBound(); }

QStringList items(const ComboBoxInc *box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i)
        list << box->itemText(i);
    return list;
}

} // namespace

class OscPanelTest : public QObject
{
    Q_OBJECT

private slots:
    void windowStaysInsideTheRecord()
    {
        const kit::Record r = kit::benchRecord(1, 3000, 101000, 1000, 1000, 0);
        OrmaOscPanel panel;
        panel.plot()->setCurveSamples(0, Qt::yellow, r.x.data(), r.channel(0), r.length);
        panel.setRecordLength(3000);
        QSignalSpy chosen(panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox"), &ComboBoxInc::currentIndexChanged);

        // 4K does not fit into 3000 samples: 2K, without a second chooser signal.
        panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")->setCurrentIndex(5);
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")->currentText(), QStringLiteral("2K"));
        QCOMPARE(panel.windowWidth(), 2048);
        QCOMPARE(panel.slider()->step(), 2048.0);

        // Scrolled towards the end, a wider window ends on the last sample, 2999.
        panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")->setCurrentIndex(8);
        panel.plot()->slotMoveScaleX(2400);
        panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")->setCurrentIndex(6);
        QCOMPARE(upperX(panel), 2999.0);
        QCOMPARE(lowerX(panel), 2999.0 - 2047);
        QCOMPARE(panel.slider()->value(), lowerX(panel));

        // A shorter record narrows the window again.
        panel.setRecordLength(1000);
        QCOMPARE(panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")->currentText(), QStringLiteral("512"));
        QCOMPARE(upperX(panel), 999.0);
        QCOMPARE(panel.slider()->maximum(), 1000.0);
    }

    void amplitudeChooserFollowsUnitsWithoutDrift()
    {
        OrmaOscPanel panel;
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")).first(), QStringLiteral("±2048"));
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")).last(), QStringLiteral("±4"));
        QCOMPARE(upperY(panel), 2048.0);

        panel.setDimensions(DimSamples, DimMillivolts);
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")).first(), QStringLiteral("±5000"));
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")).last(), QStringLiteral("±9.766"));
        QCOMPARE(panel.findChild<OrmaTitle *>("m_pVerticalTitle")->title().text(), QStringLiteral("Амплитуда(мВ)"));

        // ±9.766 mV is 4 codes again (to the rounding of the text).
        panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")->setCurrentIndex(9);
        QVERIFY(std::fabs(upperY(panel) - 4.0) < 1e-3);

        panel.setDimensions(DimSamples, DimVolts);
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")).last(), QStringLiteral("±0.01"));
        panel.setDimensions(DimSamples, DimCodes);
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")).last(), QStringLiteral("±4"));
        QCOMPARE(panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")->currentIndex(), 9);
        QCOMPARE(panel.findChild<OrmaTitle *>("m_pVerticalTitle")->title().text(), QStringLiteral("Амплитуда(EMP)"));

        // A cleared chooser names no range and leaves the axis alone.
        panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")->setCurrentIndex(-1);
        QVERIFY(std::fabs(upperY(panel) - 4.0) < 1e-3);

        panel.setBits(16);
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")).first(), QStringLiteral("±32768"));
        QCOMPARE(upperY(panel), 32768.0);

        QCOMPARE(panel.convertAmplitude(32768, DimCodes, DimMillivolts), 5000.0);
        QCOMPARE(panel.convertAmplitude(1, DimVolts, DimCodes), 32768.0 / 5);
    }

    void widthChooserInTimeUnits()
    {
        OrmaOscPanel panel;
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")).mid(0, 2), QStringList({"128K", "64K"}));
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")).mid(7, 2), QStringList({"1K", "512"}));
        QCOMPARE(panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")->currentText(), QStringLiteral("1K"));
        QCOMPARE(panel.findChild<QLabel *>("m_pHorizontalDimension")->text(), QStringLiteral("(отсчеты)"));
        panel.setSampleRate(1e6);
        panel.setDimensions(DimMicroseconds, DimCodes);
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")).first(), QStringLiteral("131072"));
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")).last(), QStringLiteral("8"));
        QCOMPARE(panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")->currentText(), QStringLiteral("1024"));
        QCOMPARE(panel.findChild<QLabel *>("m_pHorizontalDimension")->text(), QString::fromUtf8("(мк") + QLatin1String("c)"));
        QVERIFY(!panel.slider()->integerMode());
        panel.setDimensions(DimMilliseconds, DimCodes);
        QCOMPARE(panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")->currentText(), QStringLiteral("1.024"));
        // Nanoseconds have no label here: the last one stays.
        panel.setDimensions(DimNanoseconds, DimCodes);
        QCOMPARE(panel.findChild<QLabel *>("m_pHorizontalDimension")->text(), QString::fromUtf8("(м") + QLatin1String("c)"));
        panel.setDimensions(DimSamples, DimCodes);
        QCOMPARE(panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")->currentText(), QStringLiteral("1K"));
        QVERIFY(panel.slider()->integerMode());
    }

    void gainsNeverScaleAdcCodes()
    {
        const kit::Record r = kit::benchRecord(1, 1024, 101000, 1000, 1000, 0);
        OrmaOscPanel panel;
        panel.plot()->setCurveSamples(0, Qt::yellow, r.x.data(), r.channel(0), r.length);
        panel.slotSetCurrentChan(0);
        panel.plot()->setChannelFactor(0, 2.0);

        // 12 bits over 5000 mV: the largest code 2047 is the full 5000 mV.
        panel.setMinMax(2047, -2047);
        QCOMPARE(panel.findChild<QLineEdit *>("m_pMaxEdit")->text(), QStringLiteral("2047"));
        panel.setGainMode(true);
        QVERIFY(!panel.plot()->curve(0)->applyFactor());
        panel.setMinMax(2047, -2047);
        QCOMPARE(panel.findChild<QLineEdit *>("m_pMaxEdit")->text(), QStringLiteral("2047"));

        panel.setDimensions(DimSamples, DimMillivolts);
        QVERIFY(panel.plot()->curve(0)->applyFactor());
        panel.setMinMax(2047, -2047);
        QCOMPARE(panel.findChild<QLineEdit *>("m_pMaxEdit")->text(), QStringLiteral("10000"));
        QCOMPARE(panel.findChild<QLineEdit *>("m_pMinEdit")->text(), QStringLiteral("-10000"));
        panel.setGainMode(false);
        QVERIFY(!panel.plot()->curve(0)->applyFactor());
        panel.setMinMax(2047, -1023.5);
        QCOMPARE(panel.findChild<QLineEdit *>("m_pMaxEdit")->text(), QStringLiteral("5000"));
        QCOMPARE(panel.findChild<QLineEdit *>("m_pMinEdit")->text(), QStringLiteral("-2500"));
    }
};

QTEST_MAIN(OscPanelTest)
#include "test_osc_panel.moc"
