// Both panels fed with a bench record of three channels, drawn offscreen: traces, markers and
// harmonic marks must reach the canvas. With ORMA_PANEL_SHOTS set to a directory the pictures
// are also written there for a look by eye.
#include "PanelTestKit.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include <qwt_plot_canvas.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_marker.h>

#include "panels/LegendItemWidget.h"
#include "panels/OrmaOscPanel.h"
#include "panels/OrmaSpectrPanel.h"
#include "plot/OrmaScaleDraw.h"
#include "plot/QwtPlotCurveEx.h"

namespace {

const QColor kColors[] = {QColor(255, 255, 0), QColor(0, 255, 255), QColor(255, 80, 255)};
const double kRate = 101000;
const int kBits = 12;
const double kRangeMv = 5000;

int countNear(const QImage &image, const QPoint &at, int radius, const std::function<bool(QColor)> &match)
{
    int n = 0;
    for (int y = at.y() - radius; y <= at.y() + radius; ++y)
        for (int x = at.x() - radius; x <= at.x() + radius; ++x)
            if (image.rect().contains(x, y) && match(image.pixelColor(x, y)))
                ++n;
    return n;
}

void addGrid(OrmaPlot *plot)
{
    auto *grid = new QwtPlotGrid();
    grid->setPen(QPen(QColor(90, 90, 110), 0, Qt::DotLine));
    grid->attach(plot);
}

void save(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("ORMA_PANEL_SHOTS");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    QVERIFY(w->grab().save(dir + QLatin1Char('/') + name));
}

} // namespace

class PanelRenderTest : public QObject
{
    Q_OBJECT

private slots:
    void bothPanelsShowTracesMarkersAndHarmonics()
    {
        const kit::Record record = kit::benchRecord(3, 4096, kRate, 1450.0, 1500, 1.5);
        kit::Spectra spectra;
        spectra.compute(record, 1024, 2047, kRangeMv, kRate);

        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *osc = new OrmaOscPanel(&window);
        auto *spectr = new OrmaSpectrPanel(&window);
        auto *legendRow = new QHBoxLayout();
        layout->addWidget(osc, 1);
        layout->addWidget(spectr, 1);
        layout->addLayout(legendRow);
        std::vector<LegendItemWidget *> legend;
        for (int k = 0; k < record.channels; ++k) {
            auto *item = new LegendItemWidget(&window);
            item->setChannel(k);
            item->setColor(kColors[k]);
            legendRow->addWidget(item);
            osc->addLegendItem(k, item);
            spectr->addLegendItem(k + 100, item);
        }
        legendRow->addStretch(1);
        addGrid(osc->plot());
        addGrid(spectr->plot());
        window.resize(1180, 860);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        for (int k = 0; k < record.channels; ++k) {
            osc->plot()->setCurveSamples(k, kColors[k], record.x.data(), record.channel(k), record.length);
            spectr->plot()->setCurveSamples(k, kColors[k], spectra.engine.binAxis(), spectra.engine.spectrum(k),
                                            spectra.engine.binCount());
            spectr->plot()->setChannelReference(k, spectra.measured[size_t(k)].peakBin);
        }
        osc->setRecordLength(uint32_t(record.length));
        osc->setDimensions(DimMicroseconds, DimMillivolts);
        osc->slotSetCurrentChan(0);
        osc->setMinMax(*std::max_element(record.channel(0), record.channel(0) + 4096),
                       *std::min_element(record.channel(0), record.channel(0) + 4096));
        osc->findChild<QLineEdit *>("m_pCyclesEdit")->setText(QStringLiteral("14"));
        spectr->slotSetCurrentChan(0);
        const SpectrumMeasurements &m = spectra.measured[0];
        for (OrmaPanel *p : {static_cast<OrmaPanel *>(osc), static_cast<OrmaPanel *>(spectr)})
            p->setDynParams(m.sfdr, m.sinad, m.snr, m.thd, m.enob);
        spectr->showHarmonics(true, m.harmonicBins, 4);
        spectr->setPowerValue(0.0);
        spectr->showFrequency(m.fundamentalFrequency);
        osc->slotReplot();
        spectr->slotReplot();
        kit::settle();

        // The red marker on channel 0, the blue one a little later.
        osc->enableRedMarkerTool(true);
        kit::click(osc->plot()->canvas(), kit::pixelOf(*osc->plot(), 110, record.channel(0)[110]));
        osc->enableRedMarkerTool(false);
        osc->enableBlueMarkerTool(true);
        kit::click(osc->plot()->canvas(), kit::pixelOf(*osc->plot(), 290, record.channel(0)[290]));
        QVERIFY(osc->plot()->isRedMarkerShown() && osc->plot()->isBlueMarkerShown());
        spectr->enableRedMarkerTool(true);
        const QwtPlotCurveEx *tone = spectr->plot()->curve(0);
        kit::click(spectr->plot()->canvas(),
                   kit::pixelOf(*spectr->plot(), m.peakBin, tone->displayValue(tone->yData()[m.peakBin])));
        QVERIFY(spectr->plot()->isRedMarkerShown());
        // The marker sits on the tone's peak, which is the reference of dB/max; its y arrives
        // in display units and is shown as it is.
        QCOMPARE(spectr->findChild<QLineEdit *>("m_pMarkerYEdit")->text(), QStringLiteral("0"));
        QCOMPARE(spectr->findChild<QLineEdit *>("m_pMarkerXEdit")->text().toDouble(), trimmedNumber(m.peakBin * kRate / 1024 / 1000, 3).toDouble());
        osc->slotReplot();
        spectr->slotReplot();
        kit::settle();

        const QImage oscCanvas = osc->plot()->canvas()->grab().toImage();
        const QPoint crest = kit::pixelOf(*osc->plot(), 110, record.channel(0)[110]);
        QVERIFY(countNear(oscCanvas, crest, 3, [](QColor c) { return c.red() > 200 && c.green() > 200 && c.blue() < 80; }) > 0);

        const QImage spectrCanvas = spectr->plot()->canvas()->grab().toImage();
        int marksSeen = 0;
        for (const QwtPlotMarker *mark : spectr->harmonicMarks()) {
            QVERIFY(mark->isVisible());
            const QPoint at = kit::pixelOf(*spectr->plot(), mark->xValue(), mark->yValue());
            if (countNear(spectrCanvas, at, 2, [](QColor c) { return c.green() > 200 && c.red() < 100 && c.blue() < 100; }) > 0)
                ++marksSeen;
        }
        QCOMPARE(marksSeen, 4);

        save(&window, QStringLiteral("both_panels.png"));
        save(osc, QStringLiteral("osc_panel.png"));
        save(spectr, QStringLiteral("spectr_panel.png"));
    }
};

QTEST_MAIN(PanelRenderTest)
#include "test_panel_render.moc"
