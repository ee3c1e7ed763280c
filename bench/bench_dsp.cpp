// The per-channel spectrum step against bare FFTW transforms of the same size and plan flags.
#include "dsp/Fft.h"
#include "dsp/FftwPlanner.h"
#include "dsp/SpectrumEngine.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

const int64_t kSizes[] = {65536, 1048576, 8388608};

std::vector<double> signal(size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::normal_distribution<double> noise(0, 3);
    std::vector<double> x(n);
    for (size_t t = 0; t < n; ++t)
        x[t] = std::round(20000 * std::sin(0.0123 * double(t)) + noise(gen));
    return x;
}

void spectrum(benchmark::State &state, bool isComplex, uint32_t n)
{
    const auto re = signal(n, 1), im = signal(n, 2);
    SpectrumSettings s;
    s.fftSize = n;
    s.windowType = 2;
    SpectrumEngine engine;
    SpectrumMeasurements m;
    // One untimed block first: it pays the page faults of freshly allocated buffers.
    engine.beginBlock(s, 1, isComplex);
    engine.analyseSamples(0, re.data(), isComplex ? im.data() : nullptr, 32767, 5000, 1e6, m);
    for (auto _ : state) {
        engine.beginBlock(s, 1, isComplex);
        engine.analyseSamples(0, re.data(), isComplex ? im.data() : nullptr, 32767, 5000, 1e6, m);
        engine.endBlock();
        benchmark::DoNotOptimize(m.snr);
    }
}

template <typename Plan> void timePlan(benchmark::State &state, Plan plan)
{
    fftw_execute(plan); // untimed, as for the spectrum step
    for (auto _ : state) {
        fftw_execute(plan);
        benchmark::ClobberMemory();
    }
    std::lock_guard<std::mutex> lock(fftwPlannerMutex());
    fftw_destroy_plan(plan);
}

void fftwR2c(benchmark::State &state, size_t n)
{
    // In place, as the spectrum step runs it.
    fftw_complex *out = fftw_alloc_complex(n / 2 + 1);
    double *in = reinterpret_cast<double *>(out);
    fftw_plan plan;
    {
        std::lock_guard<std::mutex> lock(fftwPlannerMutex());
        plan = fftw_plan_dft_r2c_1d(int(n), in, out, fftwPlanFlags(uint32_t(n)));
    }
    const auto x = signal(n, 1);
    std::copy(x.begin(), x.end(), in);
    timePlan(state, plan);
    fftw_free(out);
}

void fftwC2c(benchmark::State &state, size_t n)
{
    fftw_complex *data = fftw_alloc_complex(n);
    fftw_plan plan;
    {
        std::lock_guard<std::mutex> lock(fftwPlannerMutex());
        plan = fftw_plan_dft_1d(int(n), data, data, FFTW_FORWARD, fftwPlanFlags(uint32_t(n)));
    }
    const auto x = signal(n, 1);
    for (size_t t = 0; t < n; ++t) {
        data[t][0] = x[t] * 1e-5;
        data[t][1] = 0;
    }
    timePlan(state, plan);
    fftw_free(data);
}

void radix2(benchmark::State &state, int n)
{
    std::vector<ComplexD> tw(n / 2), data(n);
    std::vector<int32_t> rev(n);
    fftTables(n, tw.data(), rev.data());
    const auto x = signal(size_t(n), 1);
    for (int t = 0; t < n; ++t)
        data[t] = {x[t] * 1e-5, 0};
    fftInPlace(data.data(), tw.data(), n);
    for (auto _ : state) {
        fftInPlace(data.data(), tw.data(), n);
        benchmark::ClobberMemory();
    }
}

// The first block at a new size pays for the window, the plan and the buffers.
void firstBlock(benchmark::State &state, uint32_t n)
{
    const auto re = signal(n, 1);
    SpectrumSettings s;
    s.fftSize = n;
    s.windowType = 2;
    SpectrumMeasurements m;
    for (auto _ : state) {
        SpectrumEngine engine;
        engine.beginBlock(s, 1, false);
        engine.analyseSamples(0, re.data(), nullptr, 32767, 5000, 1e6, m);
        benchmark::DoNotOptimize(m.snr);
    }
}

int registerAll()
{
    using benchmark::RegisterBenchmark;
    for (int64_t n : kSizes) {
        const std::string size = std::to_string(n);
        const auto unit = n >= 1048576 ? benchmark::kMillisecond : benchmark::kMicrosecond;
        RegisterBenchmark(("Spectrum/real/" + size).c_str(), spectrum, false, uint32_t(n))->Unit(unit);
        RegisterBenchmark(("Fftw/r2c/" + size).c_str(), fftwR2c, size_t(n))->Unit(unit);
        RegisterBenchmark(("Spectrum/complex/" + size).c_str(), spectrum, true, uint32_t(n))->Unit(unit);
        RegisterBenchmark(("Fftw/c2c/" + size).c_str(), fftwC2c, size_t(n))->Unit(unit);
        RegisterBenchmark(("Kernel/radix2/" + size).c_str(), radix2, int(n))->Unit(unit);
    }
    RegisterBenchmark("Spectrum/firstBlock/8388608", firstBlock, uint32_t(8388608))
        ->Unit(benchmark::kMillisecond)->Iterations(1);
    return 0;
}

const int registered = registerAll();

} // namespace
