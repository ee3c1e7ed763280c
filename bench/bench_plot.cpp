// Replot of one dense curve (all samples visible, 1600 x 400 canvas, painted into an image)
// against a bare min/max pass over the same doubles, the floor of any exact peak-keeping
// decimation, and against the library's own curve drawing. The column pass alone (the run
// extremes of each column, nothing mapped or painted) tells the decimation's share of a
// replot from the painter's.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>

#include "plot/CurveKernels.h"
#include "plot/OrmaPlot.h"

namespace {

const QSize kCanvas(1600, 400);

struct Record {
    std::vector<double> x;
    std::vector<double> y;
};

const Record &record(int n)
{
    static std::map<int, std::unique_ptr<Record>> cache;
    std::unique_ptr<Record> &r = cache[n];
    if (!r) {
        r.reset(new Record{std::vector<double>(n), std::vector<double>(n)});
        std::mt19937 gen(7);
        std::normal_distribution<double> noise(0, 40);
        for (int i = 0; i < n; ++i) {
            r->x[i] = i;
            r->y[i] = std::round(20000 * std::sin(0.00037 * i) + noise(gen));
        }
    }
    return *r;
}

// A plot without axes whose canvas is exactly kCanvas.
class BenchPlot
{
public:
    BenchPlot(const Record &r, bool plainCurve)
        : image(kCanvas, QImage::Format_RGB32)
    {
        for (int axis = 0; axis < QwtPlot::axisCnt; ++axis)
            plot.enableAxis(axis, false);
        if (auto *canvas = qobject_cast<QwtPlotCanvas *>(plot.canvas()))
            canvas->setFrameStyle(QFrame::NoFrame);
        plot.resize(kCanvas);
        plot.updateLayout();
        plot.resize(plot.size() + kCanvas - plot.canvas()->contentsRect().size());
        plot.updateLayout();
        const int n = int(r.x.size());
        if (plainCurve) {
            auto *curve = new QwtPlotCurve();
            curve->setPen(QPen(Qt::green, 0));
            curve->setRawSamples(r.x.data(), r.y.data(), n);
            curve->attach(&plot);
        } else {
            plot.setCurveSamples(0, Qt::green, r.x.data(), r.y.data(), n);
        }
        plot.setAxisScale(QwtPlot::xBottom, 0, n - 1);
        plot.setAxisScale(QwtPlot::yLeft, -32768, 32768);
        plot.updateAxes();
    }

    void replot()
    {
        image.fill(Qt::black);
        QPainter painter(&image);
        plot.drawCanvas(&painter);
    }

    bool sized() const { return plot.canvas()->contentsRect().size() == kCanvas; }

private:
    OrmaPlot plot;
    QImage image;
};

void drawCurve(benchmark::State &state, int n, bool plainCurve)
{
    const Record &r = record(n);
    BenchPlot bench(r, plainCurve);
    if (!bench.sized()) {
        state.SkipWithError("canvas size not reached");
        return;
    }
    bench.replot(); // untimed: first touch of the pages and of the painter's caches
    for (auto _ : state)
        bench.replot();
    state.SetItemsProcessed(state.iterations() * int64_t(n));
}

void minMaxPass(benchmark::State &state, int n)
{
    const Record &r = record(n);
    for (auto _ : state) {
        double lo = 0, hi = 0;
        minMaxScan(r.y.data(), n, lo, hi);
        benchmark::DoNotOptimize(lo);
        benchmark::DoNotOptimize(hi);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(n));
}

void columnPass(benchmark::State &state, int n)
{
    const Record &r = record(n);
    const int span = (n + kCanvas.width() - 1) / kCanvas.width();
    for (auto _ : state)
        for (int i = 0; i < n; i += span) {
            const RunExtremes e = scanRun(r.y.data() + i, std::min(span, n - i));
            benchmark::DoNotOptimize(e);
        }
    state.SetItemsProcessed(state.iterations() * int64_t(n));
}

const int k1M = 1000000;
const int k10M = 10000000;

const bool registered = [] {
    benchmark::RegisterBenchmark("MinMaxScan/1M", minMaxPass, k1M)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ColumnScan/1M", columnPass, k1M)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Draw/decimated/1M", drawCurve, k1M, false)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Draw/qwtPlain/1M", drawCurve, k1M, true)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("MinMaxScan/10M", minMaxPass, k10M)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ColumnScan/10M", columnPass, k10M)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Draw/decimated/10M", drawCurve, k10M, false)->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
