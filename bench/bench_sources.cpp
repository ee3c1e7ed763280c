// The record reader against a bare memory copy of the same raw bytes, the channel search over a
// whole record, and the generator.
#include "sources/FileSource.h"
#include "sources/RecordSearch.h"
#include "sources/RecordWriter.h"
#include "sources/SignalSimulation.h"
#include "sources/SimulationSettings.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr uint64_t kChannels = 16, kSamples = 1 << 20, kBytes = 2;


QTemporaryDir &scratchDir()
{
    static QTemporaryDir dir;
    return dir;
}

// A 16-channel 2-byte record of `samples` per channel.
QString writeBenchRecord(const QString &name, uint64_t samples)
{
    RecordRecipe recipe = defaultRecordRecipe();
    recipe.params.channelCount = kChannels;
    recipe.params.channelNumbers.clear();
    for (uint64_t c = 0; c < kChannels; ++c)
        recipe.params.channelNumbers.push_back(int(c));
    recipe.params.sampleCount = samples;
    recipe.tones = {{1234.5, 20000, 0}};
    recipe.noiseRms = 3;
    const QString p = scratchDir().filePath(name);
    writeRecordFile(p, recipe, true);
    return p;
}

// 1M samples per channel, written once per process.
const QString &recordPath()
{
    static const QString path = writeBenchRecord("bench.bin", kSamples);
    return path;
}

// Serve one block of the whole window of every channel in the calling thread, as the worker
// does: read, convert to codes, publish (the file is in the page cache after the first,
// untimed block). Reading alone publishes no block to look at.
void FileRead16ch2B(benchmark::State &state)
{
    FileSource source;
    source.setFileName(recordPath());
    source.setComputeSpectrum(false);
    source.setPosition(0, kSamples);
    source.serveInline();
    for (auto _ : state) {
        source.serveInline();
        benchmark::DoNotOptimize(source.lastBlock()->channelSamples(15)[kSamples - 1]);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kChannels * kSamples * kBytes));
}

// The whole of a 16-channel record of 10M samples searched for a level no sample reaches: every
// byte read and scanned, ten times the bytes of one FileRead block.
void Search16ch10M(benchmark::State &state)
{
    constexpr uint64_t samples = 10 * 1024 * 1024;
    static const QString path = writeBenchRecord("search.bin", samples);
    RecordSearchJob job;
    job.files = QStringList{path};
    job.find.enabled[FindUpLevel] = true;
    job.find.threshold[FindUpLevel] = 100.0;
    job.find.enabled[FindLowLevel] = true;
    job.find.threshold[FindLowLevel] = -100.0;
    for (auto _ : state) {
        RecordSearch search(job);
        uint64_t position = 0;
        std::vector<SearchMatch> matches;
        QString error;
        if (!search.run(position, matches, error) || !matches.empty())
            state.SkipWithError("the search did not run over the whole record");
        benchmark::DoNotOptimize(position);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kChannels * samples * kBytes));
}

void Memcpy32MB(benchmark::State &state)
{
    const size_t n = kChannels * kSamples * kBytes;
    std::vector<char> from(n, 1), to(n, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), n);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(n));
}

// 16 components, one channel each, 1M samples per block.
void Generator16Tones1M(benchmark::State &state)
{
    SimulationSettings settings;
    settings.sampleCount = kSamples;
    settings.sampleRate = 1e6;
    for (int i = 0; i < SimulationSettings::RowCount; ++i)
        settings.rows[size_t(i)] = {true, 0, 1000.0 + i, 1000.0 * (i + 1), 0.0};
    SignalSimulation source;
    applySimulation(source, settings);
    source.serveInline();
    for (auto _ : state) {
        source.serveInline();
        benchmark::DoNotOptimize(source.lastBlock()->channelSamples(15)[kSamples - 1]);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 16 * int64_t(kSamples));
}

} // namespace

BENCHMARK(FileRead16ch2B)->Name("FileRead/16ch_2B")->Unit(benchmark::kMillisecond);
BENCHMARK(Search16ch10M)->Name("Search/16ch_10M")->Unit(benchmark::kMillisecond);
BENCHMARK(Memcpy32MB)->Name("Memcpy/32MB")->Unit(benchmark::kMillisecond);
BENCHMARK(Generator16Tones1M)->Name("Generator/16tones_1M")->Unit(benchmark::kMillisecond);
