// The code histogram against a plain pass over the same samples and against bare increments of
// ready bin numbers, the floor of counting; and the whole-record histogram of a 16-channel record as the distribution dialog takes it.
#include "dialogs/AdcDistribDlg.h"
#include "plot/CurveKernels.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr uint64_t k1M = 1048576;

std::vector<double> codes(size_t n, int bits, unsigned seed)
{
    std::mt19937 gen(seed);
    std::normal_distribution<double> noise(0, 3);
    const double amplitude = std::ldexp(1.0, bits - 1) - 8;
    std::vector<double> x(n);
    for (size_t t = 0; t < n; ++t)
        x[t] = std::round(amplitude * std::sin(0.0123 * double(t)) + noise(gen));
    return x;
}

// The baseline: the extremes of the samples, the cheapest pass the viewer makes over them.
void scan(benchmark::State &state)
{
    const auto x = codes(k1M, 16, 1);
    for (auto _ : state) {
        double lo = 0, hi = 0;
        minMaxScan(x.data(), int(x.size()), lo, hi);
        benchmark::DoNotOptimize(lo + hi);
    }
}

void histogram16(benchmark::State &state)
{
    const auto x = codes(k1M, 16, 1);
    CodeHistogram h;
    for (auto _ : state) {
        resetHistogram(h, 16);
        countCodes(h, x.data(), x.size());
        benchmark::DoNotOptimize(h.counted);
    }
}

// The floor of any counting: one increment per sample into the bins, the bin numbers already
// at hand. Random read-modify-writes over half a megabyte cost several scans of the samples.
void increments(benchmark::State &state)
{
    const auto x = codes(k1M, 16, 1);
    std::vector<uint32_t> bins(x.size());
    for (size_t t = 0; t < x.size(); ++t)
        bins[t] = uint32_t(std::clamp(x[t] + 32768.0, 0.0, 65536.0));
    std::vector<uint64_t> counts(65537);
    for (auto _ : state) {
        std::fill(counts.begin(), counts.end(), 0);
        for (uint32_t b : bins)
            ++counts[b];
        benchmark::DoNotOptimize(counts.data());
    }
}

// One channel of a whole 16 x 1M record: counting, the ideal curve, the figures and the curves.
void wholeRecord(benchmark::State &state)
{
    auto block = std::make_shared<BlockSnapshot>();
    FileParams p;
    p.channelCount = 16;
    p.bitRange = 16;
    p.voltageRangeMv = 5000;
    p.sampleCount = k1M;
    for (int c = 0; c < 16; ++c)
        p.channelNumbers.push_back(c);
    block->fileParams = {p};
    block->channels = ChannelMap(block->fileParams);
    std::shared_ptr<double[]> s(new double[16 * k1M]);
    const auto x = codes(k1M, 16, 2);
    for (int c = 0; c < 16; ++c)
        std::copy(x.begin(), x.end(), s.get() + c * k1M);
    block->samples = s;
    block->sampleChannels = 16;
    block->sampleLength = k1M;
    block->window.allDataMode = true;
    DistributionRequest request;
    request.block = block;
    request.channelIndex = 7;
    request.span = histogramSpanOf(*block, true, 0);
    for (auto _ : state) {
        const DistributionResult r = computeDistribution(request);
        benchmark::DoNotOptimize(r.distribution.inl);
    }
}

int registerAll()
{
    using benchmark::RegisterBenchmark;
    RegisterBenchmark("Scan/1M", scan)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Histogram/16bit_1M", histogram16)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Histogram/increments_1M", increments)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Histogram/whole_16ch_1M", wholeRecord)->Unit(benchmark::kMillisecond);
    return 0;
}

const int registered = registerAll();

} // namespace
