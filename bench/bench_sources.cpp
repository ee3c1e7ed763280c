// The record reader, the shared-memory and network sources (each against its reference peer
// on this machine) against a bare memory copy of the same raw bytes, the channel search over a
// whole record, and the generator.
#include "sources/live/FileMapSource.h"
#include "sources/record/FileSource.h"
#include "sources/live/NetSource.h"
#include "sources/search/RecordSearch.h"
#include "sources/live/RecordServer.h"
#include "sources/record/RecordWriter.h"
#include "sources/live/ShmProducer.h"
#include "sources/generator/SignalSimulation.h"
#include "sources/generator/SimulationSettings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr uint64_t kChannels = 16, kSamples = 1 << 20, kBytes = 2;

// Serves blocks in the calling thread, as the worker does.
// (readBlock() alone publishes nothing: the samples are read from the source's own buffer.)
struct ReadingSource : FileSource {
    using FileSource::channelSamples;
    using FileSource::readBlock;
};
struct MappedSource : FileMapSource {
    using FileMapSource::channelSamples;
    using FileMapSource::readBlock;
};
struct FetchingSource : NetSource {
    using NetSource::channelSamples;
    using NetSource::readBlock;
    using NetSource::waitForData;
};
struct GeneratingSource : SignalSimulation {
    using SignalSimulation::channelSamples;
    using SignalSimulation::readBlock;
};

// 16 channels of 2 bytes, `samples` per channel.
RecordRecipe benchRecipe(uint64_t samples = kSamples)
{
    RecordRecipe recipe = defaultRecordRecipe();
    recipe.params.channelCount = kChannels;
    recipe.params.channelNumbers.clear();
    for (uint64_t c = 0; c < kChannels; ++c)
        recipe.params.channelNumbers.push_back(int(c));
    recipe.params.sampleCount = samples;
    recipe.tones = {{1234.5, 20000, 0}};
    recipe.noiseRms = 3;
    return recipe;
}

QTemporaryDir &scratchDir()
{
    static QTemporaryDir dir;
    return dir;
}

QString writeBenchRecord(const QString &name, uint64_t samples)
{
    const QString p = scratchDir().filePath(name);
    writeRecordFile(p, benchRecipe(samples), true);
    return p;
}

// The bench record of 1M samples per channel, written once per process.
const QString &recordPath()
{
    static const QString path = writeBenchRecord("bench.bin", kSamples);
    return path;
}

// Read the whole window of every channel and convert it to codes (the file is in the page
// cache after the first, untimed block).
void FileRead16ch2B(benchmark::State &state)
{
    ReadingSource source;
    source.setFileName(recordPath());
    source.setComputeSpectrum(false);
    source.setPosition(0, kSamples);
    source.readBlock();
    for (auto _ : state) {
        source.readBlock();
        benchmark::DoNotOptimize(source.channelSamples(15)[kSamples - 1]);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kChannels * kSamples * kBytes));
}

// One published block out of the producer's regions into converted buffers.
void Shm16ch1M(benchmark::State &state)
{
    const QString base = QStringLiteral("ormabench_%1").arg(QCoreApplication::applicationPid());
    ShmProducer producer(base, benchRecipe());
    producer.start();
    MappedSource source;
    source.setFileName(base);
    source.setComputeSpectrum(false);
    source.setPosition(0, kSamples);
    source.readBlock();
    for (auto _ : state) {
        source.readBlock();
        benchmark::DoNotOptimize(source.channelSamples(15)[kSamples - 1]);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kChannels * kSamples * kBytes));
}

// One block fetched from the reference server over loopback TCP into converted buffers.
void Net16ch1M(benchmark::State &state)
{
    RecordServer server({recordPath()}, {});
    server.start();
    FetchingSource source;
    source.setPollInterval(0); // the window's pacing between blocks is not the transport's
    source.setServerPort(server.port());
    source.setFileName(QFileInfo(recordPath()).fileName());
    source.setComputeSpectrum(false);
    source.setPosition(0, kSamples);
    source.waitForData();
    source.readBlock();
    for (auto _ : state) {
        source.interruptWait(); // no flag beside the record: no handshake to wait for
        source.waitForData();
        source.readBlock();
        benchmark::DoNotOptimize(source.channelSamples(15)[kSamples - 1]);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kChannels * kSamples * kBytes));
}

void copyBytes(benchmark::State &state, size_t n)
{
    std::vector<char> from(n, 1), to(n, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), n);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(n));
}

void Memcpy32MB(benchmark::State &state) { copyBytes(state, kChannels * kSamples * kBytes); }

// The generator's block as doubles: the floor its writing is measured against.
void MemcpyGeneratorBlock(benchmark::State &state)
{
    copyBytes(state, 16 * kSamples * sizeof(double));
}

// 16 components, one channel each, 1M samples per block.
void Generator16Tones1M(benchmark::State &state)
{
    SimulationSettings settings;
    settings.sampleCount = kSamples;
    settings.sampleRate = 1e6;
    for (int i = 0; i < SimulationSettings::RowCount; ++i)
        settings.rows[size_t(i)] = {true, 0, 1000.0 + i, 1000.0 * (i + 1), 0.0};
    GeneratingSource source;
    applySimulation(source, settings);
    source.readBlock();
    for (auto _ : state) {
        source.readBlock();
        benchmark::DoNotOptimize(source.channelSamples(15)[kSamples - 1]);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 16 * int64_t(kSamples));
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

} // namespace

BENCHMARK(FileRead16ch2B)->Name("FileRead/16ch_2B")->Unit(benchmark::kMillisecond);
BENCHMARK(Shm16ch1M)->Name("Shm/16ch_1M")->Unit(benchmark::kMillisecond);
BENCHMARK(Net16ch1M)->Name("Net/16ch_1M")->Unit(benchmark::kMillisecond);
BENCHMARK(Memcpy32MB)->Name("Memcpy/32MB")->Unit(benchmark::kMillisecond);
BENCHMARK(Search16ch10M)->Name("Search/16ch_10M")->Unit(benchmark::kMillisecond);
BENCHMARK(MemcpyGeneratorBlock)->Name("Memcpy/generator_block")->Unit(benchmark::kMillisecond);
BENCHMARK(Generator16Tones1M)->Name("Generator/16tones_1M")->Unit(benchmark::kMillisecond);
