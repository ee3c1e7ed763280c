// The spectrum panel: span lists for real and complex records, the sample-rate field, units
// and their titles, power spans and ranges, the logarithmic axis, harmonic marks, and the
// level read-out checked against a generated tone of known amplitude.
#include "PanelTestKit.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>

#include <qwt_plot_marker.h>
#include <qwt_scale_div.h>
#include <qwt_scale_engine.h>

#include "panels/ComboBoxInc.h"
#include "panels/OrmaSlider.h"
#include "panels/OrmaTitle.h"
#include "panels/OrmaSpectrPanel.h"
#include "panels/PowerReadout.h"
#include "plot/QwtPlotCurveEx.h"
#include "sources/generator/SignalSimulation.h"
#include "sources/generator/SimulationSettings.h"

namespace {

QStringList items(const ComboBoxInc *box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i)
        list << box->itemText(i);
    return list;
}

const QwtScaleDiv &axis(const OrmaSpectrPanel &p, int a) { return p.plot()->axisScaleDiv(a); }

// The spectrum of a bench tone at 1 kHz, 101 kHz, 1024 points, as curve 0 of a panel.
struct BenchSpectrum {
    kit::Record record = kit::benchRecord(1, 1024, 101000, 1000, 1000, 1);
    kit::Spectra spectra;
    BenchSpectrum() { spectra.compute(record, 1024, 2047, 5000, 101000); }
    void showOn(OrmaSpectrPanel &panel)
    {
        panel.plot()->setCurveSamples(0, Qt::yellow, spectra.engine.binAxis(), spectra.engine.spectrum(0), 512);
    }
};

// One tone of 1000 codes (amplitude 1001 in the generator's terms) at bin 100 of a 1024-point
// block sampled at 102.4 kHz: 10 kHz, 100 Hz per bin.
struct Tone {
    SignalSimulation source;
    Tone()
    {
        SimulationSettings s;
        s.sampleRate = 102400;
        s.sampleCount = 1024;
        s.bitRange = 12;
        s.voltageRangeMv = 5000;
        s.rows[0].enabled = true;
        s.rows[0].frequency = 10000;
        s.rows[0].amplitude = 1001;
        applySimulation(source, s);
    }
    bool fetch()
    {
        int arrived = 0;
        QObject context;
        QObject::connect(&source, &SignalSource::signalDataReady, &context, [&] { ++arrived; }, Qt::QueuedConnection);
        source.requestData();
        return QTest::qWaitFor([&] { return arrived > 0; }, 10000);
    }
    // 1000 codes of a 12-bit, 5000 mV converter, as RMS millivolts.
    static double rmsMv() { return 1000.0 / 2047 * 5000 / std::sqrt(2.0); }
};

} // namespace

class SpectrPanelTest : public QObject
{
    Q_OBJECT

private slots:
    void spanChoosersForRealAndComplexRecords()
    {
        OrmaSpectrPanel panel;
        QCOMPARE(panel.fftSize(), 1024u);
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")), QStringList({"512", "256", "128", "64", "32", "16", "8"}));
        QCOMPARE(axis(panel, QwtPlot::xBottom).upperBound(), 511.0);

        panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")->setCurrentIndex(2);
        QCOMPARE(panel.windowWidth(), 128);
        QSignalSpy chosen(panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox"), &ComboBoxInc::currentIndexChanged);
        panel.setFftSize(1024);
        QCOMPARE(chosen.count(), 0);
        QCOMPARE(panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")->currentIndex(), 2);

        panel.setComplex(true);
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")).first(), QStringLiteral("1024"));
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")).last(), QStringLiteral("8"));
        QCOMPARE(panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")->currentIndex(), 0);
        QCOMPARE(axis(panel, QwtPlot::xBottom).upperBound(), 1023.0);
        QCOMPARE(panel.slider()->maximum(), 1024.0);

        panel.setFftSize(4096);
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")).mid(0, 3), QStringList({"4K", "2K", "1024"}));
        QCOMPARE(panel.previousFftSize(), 1024u);
        QCOMPARE(axis(panel, QwtPlot::xBottom).upperBound(), 4095.0);
    }

    void spanKeptInsideTheSpectrum()
    {
        BenchSpectrum bench;
        OrmaSpectrPanel panel;
        bench.showOn(panel);
        panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")->setCurrentIndex(3); // 64 bins
        panel.plot()->slotMoveScaleX(480);
        panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")->setCurrentIndex(2); // 128 bins would end past bin 511
        QCOMPARE(axis(panel, QwtPlot::xBottom).upperBound(), 511.0);
        QCOMPARE(axis(panel, QwtPlot::xBottom).lowerBound(), 384.0);
        QCOMPARE(panel.slider()->value(), 384.0);
    }

    void sampleRateFieldAndFrequencyUnits()
    {
        OrmaSpectrPanel panel;
        QCOMPARE(panel.findChild<QLineEdit *>("m_pSampleRateEdit")->text(), QStringLiteral("101"));
        QCOMPARE(panel.findChild<QLineEdit *>("m_pSampleRateEdit")->palette().color(QPalette::Base), QColor(236, 233, 216));
        panel.setSampleRate(0);
        QCOMPARE(panel.findChild<QLineEdit *>("m_pSampleRateEdit")->text(), QStringLiteral("0"));
        QCOMPARE(panel.findChild<QLineEdit *>("m_pSampleRateEdit")->palette().color(QPalette::Base), QColor(255, 0, 0));
        panel.setSampleRate(102400);
        QCOMPARE(panel.findChild<QLineEdit *>("m_pSampleRateEdit")->text(), QStringLiteral("102.4"));

        // 102.4 kHz over 1024 points: 100 Hz per bin.
        panel.setDimensions(DimHertz, DimDecibels);
        QCOMPARE(panel.findChild<QLabel *>("m_pHorizontalDimension")->text(), QStringLiteral("(Гц)"));
        panel.showFrequency(2500);
        QCOMPARE(panel.findChild<QLineEdit *>("m_pValueEdit")->text(), QStringLiteral("2500"));
        panel.setDimensions(DimKilohertz, DimDecibels);
        panel.showFrequency(2500);
        QCOMPARE(panel.findChild<QLineEdit *>("m_pValueEdit")->text(), QStringLiteral("2.5"));
        panel.setDimensions(DimNone, DimDecibels);
        QCOMPARE(panel.findChild<QLabel *>("m_pHorizontalTitle")->text(), QStringLiteral("Частота"));
        QCOMPARE(panel.findChild<QLabel *>("m_pHorizontalDimension")->text(), QStringLiteral("(bin)"));
        QVERIFY(panel.slider()->integerMode());
        panel.showFrequency(2500);
        QCOMPARE(panel.findChild<QLineEdit *>("m_pValueEdit")->text(), QStringLiteral("25"));
        QCOMPARE(panel.convertFrequency(25, DimNone, DimKilohertz), 2.5);
    }

    void powerUnitsSpansAndRanges()
    {
        OrmaSpectrPanel panel;
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")).first(), QStringLiteral("120"));
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")).last(), QStringLiteral("10"));
        QCOMPARE(axis(panel, QwtPlot::yLeft).lowerBound(), -120.0);
        QCOMPARE(axis(panel, QwtPlot::yLeft).upperBound(), 0.0);
        QCOMPARE(panel.plot()->axisStepSize(QwtPlot::yLeft), 20.0);
        QCOMPARE(panel.findChild<OrmaTitle *>("m_pVerticalTitle")->title().text(), QStringLiteral("Мощность(дБ/макс)"));

        panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")->setCurrentIndex(7); // 50 dB under the top
        QCOMPARE(axis(panel, QwtPlot::yLeft).lowerBound(), -50.0);
        panel.setMinPower(-40);
        panel.slotScaleY(QStringLiteral("60"));
        QCOMPARE(axis(panel, QwtPlot::yLeft).lowerBound(), -40.0);
        QCOMPARE(axis(panel, QwtPlot::yLeft).upperBound(), 20.0);

        panel.setDimensions(DimKilohertz, DimVolts);
        // The unit change refills from the span in steps of one volt.
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")).first(), QStringLiteral("40")); // max 0, min -40
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")).at(1), QStringLiteral("39"));
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")).last(), QStringLiteral("1"));
        QCOMPARE(panel.findChild<OrmaTitle *>("m_pVerticalTitle")->title().text(), QStringLiteral("Мощность(В)"));
        QCOMPARE(panel.powerTransforms().type(), int(DimVolts));
        panel.setDimensions(DimKilohertz, DimDbfs);
        QCOMPARE(panel.findChild<OrmaTitle *>("m_pVerticalTitle")->title().text(), QStringLiteral("Мощность(дБFS)"));
        panel.setInputRange(2000);
        QCOMPARE(panel.powerTransforms().toUnits(2.0), 0.0); // the sine of 2 V peaks
        panel.setDimensions(DimKilohertz, DimVolts);
        panel.setMaxPower(1);
        panel.setMinPower(0);
        QCOMPARE(items(panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")), QStringList({"1", "0.1", "0.01", "0.001", "0.0001", "0.00001"}));
        QCOMPARE(axis(panel, QwtPlot::yLeft).upperBound(), 1.0);
        // A span keeps the top of the axis.
        panel.slotScaleY(QStringLiteral("0.01"));
        QCOMPARE(axis(panel, QwtPlot::yLeft).upperBound(), 1.0);
        QCOMPARE(axis(panel, QwtPlot::yLeft).lowerBound(), 0.99);
        QVERIFY(!axis(panel, QwtPlot::yLeft).ticks(QwtScaleDiv::MajorTick).isEmpty());
    }

    void logarithmicFrequencyAxis()
    {
        OrmaSpectrPanel panel;
        panel.setLogFrequency(true);
        QVERIFY(dynamic_cast<const QwtLogScaleEngine *>(panel.plot()->axisScaleEngine(QwtPlot::xBottom)));
        QCOMPARE(axis(panel, QwtPlot::xBottom).lowerBound(), 0.001);
        // 1 kHz at 101 kHz over 1024 points lies at bin 10.14.
        panel.setLowFrequency(1000);
        QCOMPARE(axis(panel, QwtPlot::xBottom).lowerBound(), 1024 * 1000.0 / 101000);
        QCOMPARE(axis(panel, QwtPlot::xBottom).upperBound(), 512.0);
        panel.setLogFrequency(false);
        QVERIFY(!dynamic_cast<const QwtLogScaleEngine *>(panel.plot()->axisScaleEngine(QwtPlot::xBottom)));
        QCOMPARE(axis(panel, QwtPlot::xBottom).lowerBound(), 0.0);
        QCOMPARE(axis(panel, QwtPlot::xBottom).upperBound(), 511.0);
    }

    void harmonicMarksSitOnTheCurrentChannel()
    {
        BenchSpectrum bench;
        const kit::Spectra &spectra = bench.spectra;
        OrmaSpectrPanel panel;
        const double positions[] = {20.4, 30.41, 600.0, -3.0};
        panel.showHarmonics(true, positions, 4);
        QVERIFY(panel.harmonicMarks().empty()); // no current channel yet

        bench.showOn(panel);
        panel.slotSetCurrentChan(0);
        panel.showHarmonics(true, positions, 4);
        QCOMPARE(int(panel.harmonicMarks().size()), 4);
        const QwtPlotCurveEx *curve = panel.plot()->curve(0);
        const double expectedX[] = {20, 31, 511};
        for (int i = 0; i < 3; ++i) {
            const QwtPlotMarker *mark = panel.harmonicMarks()[size_t(i)];
            QVERIFY(mark->isVisible());
            QCOMPARE(mark->xValue(), expectedX[i]);
            QCOMPARE(mark->yValue(), curve->displayValue(spectra.engine.spectrum(0)[int(expectedX[i])]));
            QCOMPARE(mark->label().text(), QString::number(i + 2));
        }
        QVERIFY(!panel.harmonicMarks()[3]->isVisible());

        panel.showHarmonics(true, positions, 2);
        QCOMPARE(int(panel.harmonicMarks().size()), 2);
        panel.setComplex(true);
        panel.showHarmonics(true, positions, 2);
        for (const QwtPlotMarker *mark : panel.harmonicMarks())
            QVERIFY(!mark->isVisible());
    }

    void levelReadoutOfAKnownTone()
    {
        Tone tone;
        QVERIFY(tone.fetch());
        const BlockSnapshotPtr block = tone.source.lastBlock();
        QVERIFY(block && block->channelRecord(0));
        const int channel = block->channels.numbers().value(0);

        PowerRequest request;
        request.channelNumber = channel;
        request.unit = QStringLiteral("мВ(эфф)");
        std::optional<PowerReading> harmonic = readPower(*block, request);
        QVERIFY(harmonic);
        QVERIFY(std::fabs(harmonic->value / Tone::rmsMv() - 1) < 0.01);
        QVERIFY(std::fabs(harmonic->frequency - 10000) < 5);

        request.unit = QStringLiteral("dB/max");
        QVERIFY(std::fabs(readPower(*block, request)->value) < 1e-9);

        // 1000 of the 2047 codes of full scale.
        request.unit = QStringLiteral("dBFS");
        const double dbfs = 20 * std::log10(1000.0 / 2047);
        QVERIFY2(std::fabs(readPower(*block, request)->value - dbfs) < 0.1,
                 qPrintable(QString::number(readPower(*block, request)->value)));

        // The tone found under a marker.
        request.unit = QStringLiteral("В(ампл)");
        request.markerBin = 101;
        const std::optional<PowerReading> marked = readPower(*block, request);
        QVERIFY(marked);
        QVERIFY(std::fabs(marked->value / (Tone::rmsMv() * std::sqrt(2.0) / 1000) - 1) < 0.01);
        QVERIFY(std::fabs(marked->frequency - 10000) < 5);

        // Ten bins around the tone hold its power; as a density they are 1 kHz wide.
        request.unit = QStringLiteral("мВ(эфф)");
        request.markerBin = -1;
        request.mode = PowerMode::Band;
        request.band = BinBand{95, 104};
        const double band = readPower(*block, request)->value;
        QVERIFY(std::fabs(band / Tone::rmsMv() - 1) < 0.01);
        request.mode = PowerMode::Density;
        QCOMPARE(readPower(*block, request)->value, band / std::sqrt(1000.0));

        // Generated signals carry no gains, whatever the choice of reference.
        request.mode = PowerMode::Harmonic;
        request.referToInput = true;
        request.isSimulation = true;
        QCOMPARE(readPower(*block, request)->value, harmonic->value);

        // A record's gain of 10 refers volts to the module input, ten times lower; the
        // fundamental stays 0 dB/max and the level against full scale stays where it was.
        BlockSnapshot amplified = *block;
        amplified.fileParams.front().gains.assign(16, 10.0);
        request.isSimulation = false;
        QVERIFY(std::fabs(readPower(amplified, request)->value / harmonic->value - 0.1) < 1e-9);
        request.unit = QStringLiteral("dB/max");
        QVERIFY(std::fabs(readPower(amplified, request)->value) < 1e-9);
        request.unit = QStringLiteral("dBFS");
        QVERIFY(std::fabs(readPower(amplified, request)->value - dbfs) < 0.1);
        request.unit = QStringLiteral("мВ(эфф)");
        request.isSimulation = true;

        request.channelNumber = channel + 7;
        QVERIFY(!readPower(*block, request));

        // Through the panel: its choosers pick mode and unit, its view is the band.
        OrmaSpectrPanel panel;
        panel.setSampleRate(102400);
        panel.findChild<QComboBox *>("m_pDimCmbBox")->setCurrentText(QStringLiteral("мВ(эфф)"));
        panel.showPowerReadout(*block, channel, -1, false, true);
        QVERIFY(std::fabs(panel.findChild<QLineEdit *>("m_pPowerEdit")->text().toDouble() / Tone::rmsMv() - 1) < 0.01);
        QCOMPARE(panel.findChild<QLineEdit *>("m_pValueEdit")->text().toDouble(), std::round(harmonic->frequency) / 1000);
        panel.findChild<QComboBox *>("m_pHarmCmbBox")->setCurrentIndex(int(PowerMode::Band));
        panel.showPowerReadout(*block, channel, -1, false, true);
        QVERIFY(std::fabs(panel.findChild<QLineEdit *>("m_pPowerEdit")->text().toDouble() / Tone::rmsMv() - 1) < 0.01);
        panel.showPowerReadout(*block, channel + 7, -1, false, true);
        QVERIFY(panel.findChild<QLineEdit *>("m_pPowerEdit")->text().isEmpty());
    }
};

QTEST_MAIN(SpectrPanelTest)
#include "test_spectr_panel.moc"
