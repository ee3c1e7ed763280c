// The four-parameter sine fit of a million samples. It should cost no more than five bare real
// transforms of the same length: compare with Fftw/r2c/1048576 (bench_dsp.cpp), e.g.
// --benchmark_filter='SineFit/1M|Fftw/r2c/1048576'.
#include "dsp/SineFit.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr size_t Size = 1048576;

// A 16-bit converter's incoherent tone with 3 LSB of noise.
std::vector<double> quantisedTone()
{
    std::mt19937 gen(1);
    std::normal_distribution<double> noise(0, 3);
    std::vector<double> x(Size);
    for (size_t t = 0; t < Size; ++t)
        x[t] = std::round(30000 * std::sin(0.0123456 * double(t) + 0.4) + noise(gen));
    return x;
}

void sineFit(benchmark::State &state)
{
    const auto x = quantisedTone();
    benchmark::DoNotOptimize(fitSine(x.data(), x.size(), 65536)); // untimed: plans and page faults
    for (auto _ : state) {
        const SineFit f = fitSine(x.data(), x.size(), 65536);
        benchmark::DoNotOptimize(f.enob);
    }
}

} // namespace

BENCHMARK(sineFit)->Name("SineFit/1M")->Unit(benchmark::kMillisecond);
