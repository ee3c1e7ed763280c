// The code-density test of a 16-bit record of 16M samples (its histogram and the analysis of
// its 65536 codes) beside a bare sum over the same samples, the floor of any pass over them:
// the test is bound by reading the samples, so it should take at most about twice the sum.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "dsp/CodeDensity.h"

namespace {

constexpr size_t k16M = size_t(1) << 24;

// A 16-bit sine overdriven by a few codes, with a little noise, as a record holds it.
const std::vector<double> &record16()
{
    static const std::vector<double> samples = [] {
        std::vector<double> x(k16M);
        std::mt19937_64 random(7);
        std::normal_distribution<double> noise(0.0, 0.5);
        const double step = 2 * M_PI * (std::sqrt(5.0) - 1.0) / 2.0 / 1000.0;
        for (size_t i = 0; i < x.size(); ++i)
            x[i] = std::clamp(std::floor(32770.0 * std::sin(step * double(i)) + noise(random) + 0.5), -32768.0, 32767.0);
        return x;
    }();
    return samples;
}

void codeDensity16(benchmark::State &state)
{
    const std::vector<double> &x = record16();
    CodeHistogram h;
    for (auto _ : state) {
        resetHistogram(h, 16);
        countCodes(h, x.data(), x.size());
        const CodeDensity d = analyseCodeDensity(h);
        benchmark::DoNotOptimize(d.maxDnl);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(x.size() * sizeof(double)));
}

void scan16(benchmark::State &state)
{
    const std::vector<double> &x = record16();
    for (auto _ : state) {
        double sum = 0.0;
        for (double v : x)
            sum += v;
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(x.size() * sizeof(double)));
}

int registerAll()
{
    using benchmark::RegisterBenchmark;
    RegisterBenchmark("CodeDensity/16bit_16M", codeDensity16)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("CodeDensity/scan_16M", scan16)->Unit(benchmark::kMillisecond);
    return 0;
}

const int registered = registerAll();

} // namespace
