// The measurement dialogs' work beside the floor it cannot go below: the phase mismatch of four
// channels against one bare pass over the same samples, and a vector diagram of 1M I/Q points
// drawn into a square canvas (compare with MinMaxScan/1M, a bare pass over 1M doubles, and with
// the same points written as single pixels, the floor of drawing them).
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include <qwt_plot_canvas.h>

#include "dsp/Scan.h"
#include "dialogs/VectorTrajectory.h"
#include "plot/OrmaPlot.h"
#include "sources/measure/phase/PhaseMisJob.h"

namespace {

constexpr size_t k1M = 1 << 20;

// Four channels of a noisy tone, each 10 degrees later than the one before.
const PhaseMisJob &fourChannels()
{
    static const PhaseMisJob job = [] {
        PhaseMisJob j;
        auto samples = std::make_shared<std::array<std::vector<double>, PhaseMisJob::ChannelCount>>();
        j.keep = samples;
        std::mt19937_64 random(3);
        std::normal_distribution<double> noise(0, 2);
        const double w = 2 * M_PI / 97.3;
        for (int c = 0; c < PhaseMisJob::ChannelCount; ++c) {
            j.channels[size_t(c)] = c;
            j.present[size_t(c)] = true;
            j.recordFrequency[size_t(c)] = 1e6 / 97.3;
            std::vector<double> &s = (*samples)[size_t(c)];
            s.resize(k1M);
            for (size_t i = 0; i < k1M; ++i)
                s[i] = std::round(20000 * std::sin(w * double(i) - c * M_PI / 18) + noise(random));
            j.samples[size_t(c)] = {s.data(), s.size()};
        }
        j.sampleRate = 1e6;
        return j;
    }();
    return job;
}

void scan4ch(benchmark::State &state)
{
    const PhaseMisJob &job = fourChannels();
    for (auto _ : state) {
        double total = 0;
        for (const PhaseMisJob::Samples &s : job.samples)
            total += sumRange(s.data, 0, long(s.size));
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(4 * k1M));
}

void phase4ch(benchmark::State &state)
{
    const PhaseMisJob &job = fourChannels();
    for (auto _ : state) {
        const PhaseMisOutcome o = measurePhaseMis(job);
        benchmark::DoNotOptimize(o.phases[0].degrees);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(4 * k1M));
}

// A slowly turning, breathing I/Q trajectory: steps of one to three pixels on the canvas.
std::shared_ptr<IqSlice> trajectory()
{
    auto slice = std::make_shared<IqSlice>();
    slice->re.resize(k1M);
    slice->im.resize(k1M);
    for (size_t n = 0; n < k1M; ++n) {
        const double a = 12000 + 8000 * std::sin(n * 0.00011), p = n * 0.0137;
        slice->re[n] = std::round(a * std::cos(p));
        slice->im[n] = std::round(a * std::sin(p));
    }
    return slice;
}

constexpr int kCanvas = 800;

// The floor of any drawing of the trajectory: each point mapped and written as one pixel.
void vectorDots(benchmark::State &state)
{
    const auto slice = trajectory();
    std::vector<uint32_t> image(size_t(kCanvas) * kCanvas);
    const double scale = kCanvas / 65536.0, centre = kCanvas / 2.0;
    for (auto _ : state) {
        std::fill(image.begin(), image.end(), 0u);
        for (size_t n = 0; n < k1M; ++n) {
            const double px = slice->re[n] * scale + centre, py = centre - slice->im[n] * scale;
            if (px >= 0 && px < kCanvas - 0.5 && py >= 0 && py < kCanvas - 0.5)
                image[size_t(py + 0.5) * kCanvas + size_t(px + 0.5)] = 1u;
        }
        benchmark::DoNotOptimize(image.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(k1M));
}

// 1M points of the trajectory drawn as a line on a 800 x 800 canvas.
void drawVector(benchmark::State &state)
{
    const auto slice = trajectory();
    const QSize canvas(kCanvas, kCanvas);
    OrmaPlot plot;
    for (int axis = 0; axis < QwtPlot::axisCnt; ++axis)
        plot.enableAxis(axis, false);
    if (auto *c = qobject_cast<QwtPlotCanvas *>(plot.canvas()))
        c->setFrameStyle(QFrame::NoFrame);
    plot.resize(canvas);
    plot.updateLayout();
    plot.resize(plot.size() + canvas - plot.canvas()->contentsRect().size());
    plot.updateLayout();
    auto *trajectory = new VectorTrajectory;
    trajectory->setSlice(slice);
    trajectory->attach(&plot);
    plot.setAxisScale(QwtPlot::xBottom, -32768, 32768);
    plot.setAxisScale(QwtPlot::yLeft, -32768, 32768);
    plot.updateAxes();
    QImage image(canvas, QImage::Format_RGB32);
    auto draw = [&] {
        image.fill(Qt::white);
        QPainter painter(&image);
        plot.drawCanvas(&painter);
    };
    draw();
    for (auto _ : state)
        draw();
    state.SetItemsProcessed(state.iterations() * int64_t(k1M));
}

const bool registered = [] {
    benchmark::RegisterBenchmark("Scan/4ch_1M", scan4ch)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Phase/4ch_1M", phase4ch)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Draw/vector/dots_1M", vectorDots)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Draw/vector/1M", drawVector)->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
