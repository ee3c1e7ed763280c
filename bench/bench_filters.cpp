// Filtering one channel of 1M samples: FIR by overlap-add beside the bare real FFT of the same
// length (Fftw/r2c/1048576), and an 8th-order IIR cascade beside one plain biquad loop.
#include "dsp/FirDesign.h"
#include "dsp/FirFilter.h"
#include "dsp/IirDesign.h"
#include "dsp/IirFilter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr size_t kSamples = 1048576;

std::vector<double> samples()
{
    std::mt19937 gen(7);
    std::normal_distribution<double> noise(0, 3);
    std::vector<double> x(kSamples);
    for (size_t t = 0; t < kSamples; ++t)
        x[t] = std::round(20000 * std::sin(0.0123 * double(t)) + noise(gen));
    return x;
}

void fir(benchmark::State &state, int taps)
{
    std::vector<double> h(static_cast<size_t>(taps));
    designFir(BandPass, 1e6, 1e5, 2e5, taps, FirKaiser, 8, h.data());
    FirFilter filter;
    filter.setTaps(h.data(), taps);
    const auto x = samples();
    std::vector<double> y(kSamples);
    filter.filter(x.data(), kSamples, y.data()); // untimed: page faults of fresh buffers
    for (auto _ : state) {
        filter.filter(x.data(), kSamples, y.data());
        benchmark::ClobberMemory();
    }
    state.counters["transform"] = filter.transformSize();
}

void iir8(benchmark::State &state)
{
    IirParams request;
    request.family = IirButterworth;
    request.order = 8;
    request.fs = 1e6;
    request.f1 = 1e5;
    std::vector<Biquad> sections;
    designIir(request, sections);
    const auto x = samples();
    std::vector<double> y(kSamples);
    filterCascade(sections.data(), int(sections.size()), x.data(), kSamples, y.data());
    for (auto _ : state) {
        filterCascade(sections.data(), int(sections.size()), x.data(), kSamples, y.data());
        benchmark::ClobberMemory();
    }
    state.counters["sections"] = double(sections.size());
}

// One biquad, transposed direct form II, written out: the recursion's own cost.
void bareBiquad(benchmark::State &state)
{
    const double b0 = 0.2, b1 = 0.4, b2 = 0.2, a1 = -0.5, a2 = 0.3;
    const auto x = samples();
    std::vector<double> y(kSamples);
    for (auto _ : state) {
        double s1 = 0, s2 = 0;
        for (size_t i = 0; i < kSamples; ++i) {
            const double in = x[i];
            const double out = b0 * in + s1;
            s1 = b1 * in - a1 * out + s2;
            s2 = b2 * in - a2 * out;
            y[i] = out;
        }
        benchmark::ClobberMemory();
    }
}

BENCHMARK_CAPTURE(fir, fir127, 127)->Name("Filter/fir127/1M")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fir, fir4095, 4095)->Name("Filter/fir4095/1M")->Unit(benchmark::kMillisecond);
BENCHMARK(iir8)->Name("Filter/iir8/1M")->Unit(benchmark::kMillisecond);
BENCHMARK(bareBiquad)->Name("Biquad/bare/1M")->Unit(benchmark::kMillisecond);

} // namespace
