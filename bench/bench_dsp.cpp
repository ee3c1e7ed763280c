// The per-channel spectrum step against bare FFTW transforms of the same size and plan flags.
#include "dsp/Fft.h"
#include "dsp/FftwPlanner.h"
#include "dsp/SpectrumEngine.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
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

double threadCpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// The first block of a fresh engine pays for the window, the plan and the fresh buffers' page
// faults. Each iteration times it, then the same engine's next blocks; the counters give the
// first block as a multiple of the fastest of those, wall clock and thread CPU time alike, so
// the ratio compares runs under the same load.
void firstBlock(benchmark::State &state, uint32_t n)
{
    const auto re = signal(n, 1);
    SpectrumSettings s;
    s.fftSize = n;
    s.windowType = 2;
    SpectrumMeasurements m;
    using Clock = std::chrono::steady_clock;
    double firstWall = 0, firstCpu = 0, steadyWall = 0, steadyCpu = 0;
    for (auto _ : state) {
        SpectrumEngine engine;
        double bestWall = 1e300, bestCpu = 1e300;
        for (int block = 0; block < 4; ++block) {
            const auto wall0 = Clock::now();
            const double cpu0 = threadCpuSeconds();
            engine.beginBlock(s, 1, false);
            engine.analyseSamples(0, re.data(), nullptr, 32767, 5000, 1e6, m);
            engine.endBlock();
            benchmark::DoNotOptimize(m.snr);
            const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
            const double cpu = threadCpuSeconds() - cpu0;
            if (block == 0) {
                state.SetIterationTime(wall);
                firstWall += wall;
                firstCpu += cpu;
            } else {
                bestWall = std::min(bestWall, wall);
                bestCpu = std::min(bestCpu, cpu);
            }
        }
        steadyWall += bestWall;
        steadyCpu += bestCpu;
    }
    const double iterations = double(state.iterations());
    state.counters["first_cpu_ms"] = 1e3 * firstCpu / iterations;
    state.counters["steady_cpu_ms"] = 1e3 * steadyCpu / iterations;
    state.counters["ratio_wall"] = firstWall / steadyWall;
    state.counters["ratio_cpu"] = firstCpu / steadyCpu;
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
        ->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
    return 0;
}

const int registered = registerAll();

} // namespace
