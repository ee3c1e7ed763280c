// The real main window, offscreen, on the generator: 8 channels x 65536 samples, both panels.
// Reports the data cycle's own time E per block, and the CPU the idle window uses. On a record
// of 16 channels, at one thread and at one per core: a block's time apart from the pacing
// pause, and the blocks per second, CPU and resident memory of a 20 s run.
#include "sources/settings/IniFile.h"
#include "app/Orma.h"
#include "panels/OrmaOscPanel.h"
#include "sources/live/RecordServer.h"
#include "sources/live/ShmProducer.h"
#include "sources/measure/Registry.h"
#include "sources/record/RecordWriter.h"
#include "sources/generator/SimulationSettings.h"
#include "dsp/WorkerPool.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QLineEdit>

#include <vector>
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>
#include <thread>

namespace {

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// `complex`: the 8 channels as 4 I/Q pairs; `dialogs`: the measurement dialogs opened (their
// actions' names) once the first blocks have paid for buffers and plans; `filterType`: -1 no
// filtering, else the "Filtration/FilterType" of an 8th-order IIR or a 4095-tap FIR low-pass
// at 20 kHz.
void dataCycle(benchmark::State &state, bool complex, std::vector<const char *> dialogs,
               int filterType)
{
    const QString config = applicationConfigPath(QCoreApplication::applicationDirPath());
    writeIniValue(config, "Filtration", "OnFiltration", filterType >= 0 ? 1 : 0);
    writeIniValue(config, "Filtration", "FilterType", std::max(filterType, 0));
    writeIniValue(config, "Filtration", "IirOrder", 8);
    writeIniValue(config, "Filtration", "IirLowFreq", 20);
    writeIniValue(config, "Filtration", "FirLength", 4095);
    writeIniValue(config, "Filtration", "FirLowFreq", 20);
    SimulationSettings sim;
    sim.sampleCount = 65536;
    sim.isComplex = complex;
    for (int i = 0; i < 8; ++i) {
        sim.rows[size_t(i)].enabled = true;
        sim.rows[size_t(i)].amplitude = 2000 - 100 * i;
        sim.rows[size_t(i)].frequency = 1000 * (i + 1);
        sim.rows[size_t(i)].noiseAmplitude = 1;
    }
    sim.save(config);
    writeIniValue(config, "", "Mode", 2);
    writeIniValue(config, "", "PanelsView", 2);
    writeIniValue(config, "OscPanel", "Timeout", 1); // pace as fast as the 50 ms floor allows
    writeIniValue(config, "SpectrPanel", "FftSize", 65536);

    Orma window;
    window.resize(1600, 1000);
    window.show();
    window.slotStart();
    QLineEdit *counter = window.oscPanel()->findChild<QLineEdit *>("m_pCyclesEdit");
    auto waitNextBlock = [&] {
        const QString before = counter->text();
        QElapsedTimer timeout;
        timeout.start();
        while (counter->text() == before && timeout.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    };
    waitNextBlock(); // the first blocks pay for buffers and plans
    for (const char *name : dialogs)
        window.findChild<QAction *>(name)->trigger();
    waitNextBlock();
    double totalMs = 0;
    for (auto _ : state) {
        waitNextBlock();
        const double ms = double(window.lastCycleNs()) * 1e-6;
        totalMs += ms;
        state.SetIterationTime(ms * 1e-3);
    }
    state.counters["E_ms"] = totalMs / double(state.iterations());

    window.slotStart(); // stop
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer idle;
    idle.start();
    QEventLoop loop;
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);
    loop.exec();
    state.counters["cpu_stopped_pct"] = 100.0 * (processCpuSeconds() - cpuBefore) / (idle.elapsed() * 1e-3);
    QFile::remove(config);
}

// The median of up to five values of `values` from `first`; 0 when there are none.
double medianOf(const std::vector<double> &values, int first)
{
    std::vector<double> part(values.begin() + std::min<size_t>(size_t(first), values.size()),
                             values.begin() + std::min<size_t>(size_t(first) + 5, values.size()));
    if (part.empty())
        return 0.0;
    std::nth_element(part.begin(), part.begin() + part.size() / 2, part.end());
    return part[part.size() / 2];
}

double residentMb()
{
    long pages = 0, resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Runs the event loop until the window takes a new block; false after 20 s without one.
bool nextBlock(Orma &window)
{
    const void *before = window.block().get();
    QElapsedTimer timeout;
    timeout.start();
    while (timeout.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        if (window.block() && window.block().get() != before)
            return true;
    }
    return false;
}

// The live producers' blocks: one I/Q pair whose tone turns 1/kPhaseSteps further between the
// first frames of consecutive blocks (plus whole turns), so a block tells by its first frame
// which block it is, modulo kPhaseSteps.
constexpr int kPhaseSteps = 64;
constexpr uint64_t kLiveSamples = 8192;

RecordRecipe liveRecipe(uint64_t samples)
{
    RecordRecipe recipe = defaultRecordRecipe();
    recipe.params.channelCount = 2;
    recipe.params.channelNumbers = {0, 1};
    recipe.params.isComplex = true;
    recipe.params.bitRange = 14;
    recipe.params.sampleCount = samples;
    const double rate = recipe.params.sampleRate;
    recipe.tones = {{rate * (1000.0 * kPhaseSteps + 1) / (kPhaseSteps * double(kLiveSamples)),
                     6000, 0}};
    return recipe;
}

// Steps between the live blocks the window shows: 1 from a block to the next one, 0 for a
// block shown again, n for n - 1 blocks never shown.
class BlockSteps {
public:
    void restart() { m_started = false; }
    // -1 when the block is not one of the live producers'.
    int next(const BlockSnapshot &block)
    {
        if (!block.firstFile().isComplex || block.firstFile().sampleCount != kLiveSamples ||
            block.sampleChannels < 2 || block.sampleLength == 0)
            return -1;
        const double turn = std::atan2(block.channelSamples(1)[0], block.channelSamples(0)[0]) /
                            (2 * M_PI);
        const long steps = std::lround((turn - m_turn) * kPhaseSteps);
        const int step = m_started ? int(((steps % kPhaseSteps) + kPhaseSteps) % kPhaseSteps) : 1;
        m_turn = turn;
        m_started = true;
        return step;
    }

private:
    bool m_started = false;
    double m_turn = 0;
};

// The network source's reference server on a free port the settings accept (up to 9999),
// serving `record` block by block.
std::unique_ptr<RecordServer> startServer(const QString &record)
{
    RecordServer::Options options;
    options.periodMs = 60;
    options.blockSamples = kLiveSamples;
    for (int i = 0; i < 50; ++i) {
        options.port = uint16_t(2000 + (QCoreApplication::applicationPid() * 7 + i * 131) % 7999);
        auto server = std::make_unique<RecordServer>(QStringList{record}, options);
        if (server->start())
            return server;
    }
    return nullptr;
}

// The window for 10,000 blocks, switching every 100 blocks to the next kind: a record, shared
// memory and the network (both from their reference producers), the generator. Midway through
// each hundred every measurement dialog the block allows opens, and ten blocks later closes.
// The live blocks must come in order, none twice and, from the producer that waits for the
// viewer (shared memory), none missing; resident memory at block 1,000 and at the end must
// stay within 10 %.
void soak(benchmark::State &state)
{
    const QString config = applicationConfigPath(QCoreApplication::applicationDirPath());
    writeIniValue(config, "", "Mode", 2);
    writeIniValue(config, "", "PanelsView", 2);
    writeIniValue(config, "OscPanel", "Timeout", 1);
    QTemporaryDir dir;
    RecordRecipe recipe = defaultRecordRecipe();
    recipe.params.channelCount = 4;
    recipe.params.sampleCount = 200000;
    recipe.tones = {{12345, 8000, 0}};
    const QString record = dir.filePath("soak.bin");
    writeRecordFile(record, recipe, true);

    const QString served = dir.filePath("live.bin");
    writeRecordFile(served, liveRecipe(kPhaseSteps * kLiveSamples), true);
    std::unique_ptr<RecordServer> server = startServer(served);
    if (!server) {
        state.SkipWithError("no free port for the network server");
        return;
    }
    writeIniValue(config, "Network", "Port", QString::number(server->port()));
    writeIniValue(config, "Network", "FileName", "live.bin");
    const QString region = QStringLiteral("ormasoak_%1").arg(QCoreApplication::applicationPid());
    ShmProducer producer(region, liveRecipe(kLiveSamples));
    if (!producer.start()) {
        state.SkipWithError("the shared memory regions could not be made");
        return;
    }
    // The next block only once the viewer took the last: every block offered is one to show.
    std::atomic<bool> done{false};
    std::thread producing([&] {
        while (!done)
            if (producer.waitTaken(50))
                producer.publishBlock(5000);
    });
    // A message box from a dialog would wait for a click: closed, and counted.
    int modalBoxes = 0;
    QTimer modalCloser;
    QObject::connect(&modalCloser, &QTimer::timeout, [&] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            ++modalBoxes;
            modal->close();
        }
    });
    modalCloser.start(200);

    const int blocks = int(state.range(0));
    double atThousand = 0, atEnd = 0;
    std::vector<double> resident;
    int missing = 0, duplicated = 0, reshown = 0, shmLost = 0, netReplaced = 0, liveBlocks = 0,
        opened = 0;
    // A change the source takes in (a dialog's whole-record wish, a new kind) lets the block on
    // hand through once more, without the producer's handshake, so that the window shows it
    // analysed the new way: the same block within two blocks of one is shown again, not twice.
    int lastChange = 0;
    BlockSteps steps;
    for (auto _ : state) {
        Orma window;
        window.resize(1200, 900);
        window.show();
        window.slotStart();
        for (int b = 1; b <= blocks; ++b) {
            if (!nextBlock(window)) {
                ++missing;
            } else {
                const int step = steps.next(*window.block());
                liveBlocks += step >= 0;
                (b - lastChange <= 2 ? reshown : duplicated) += step == 0;
                if (step == 0 && qEnvironmentVariableIsSet("ORMA_SOAK_TRACE"))
                    std::fprintf(stderr, "block %d (kind %d) shown again, %d after a change\n", b,
                                 window.sourceKind(), b - lastChange);
                if (step > 1)
                    (window.sourceKind() == 3 ? shmLost : netReplaced) += step - 1;
            }
            if (b % 100 == 0 || b % 100 == 50 || b % 100 == 60)
                lastChange = b;
            if (b % 100 == 0) {
                steps.restart();
                switch (b / 100 % 4) {
                case 1:
                    window.loadFile(record);
                    break;
                case 2:
                    window.applyCommandLine({"-sm", region});
                    break;
                case 3:
                    window.findChild<QAction *>("m_pNetAction")->setChecked(true);
                    break;
                default:
                    window.findChild<QAction *>("m_pSimulationAction")->setChecked(true);
                }
                if (window.isStopped())
                    window.slotStart();
            } else if (b % 100 == 50) {
                const bool complex = window.block() && window.block()->firstFile().isComplex;
                for (size_t i = 0; i < measure::entryCount(); ++i) {
                    const measure::Entry &entry = measure::entries()[i];
                    if (entry.needsComplex && !complex)
                        continue;
                    window.findChild<QAction *>(entry.objectName)->trigger();
                    ++opened;
                }
            } else if (b % 100 == 60) {
                for (QDialog *dialog : window.findChildren<QDialog *>())
                    if (dialog->isVisible())
                        dialog->close();
            }
            // Each source holds blocks of its own size, so memory is read at the same point of
            // the rotation, every 400 blocks from block 1,000.
            if (b >= std::min(1000, blocks) && b % 400 == std::min(1000, blocks) % 400)
                resident.push_back(residentMb());
        }
        // The heap's own fluctuation moves a single reading by +-10 %: the first and the last
        // five readings' medians are compared.
        atThousand = medianOf(resident, 0);
        atEnd = medianOf(resident, std::max<int>(0, int(resident.size()) - 5));
        window.slotStop();
    }
    done = true;
    producing.join();
    server->stop();
    const double growth = atThousand > 0 ? 100.0 * (atEnd - atThousand) / atThousand : 0;
    state.counters["rss_1000_MB"] = atThousand;
    state.counters["rss_end_MB"] = atEnd;
    state.counters["growth_pct"] = growth;
    state.counters["blocks_missing"] = missing;
    state.counters["live_blocks"] = liveBlocks;
    state.counters["live_duplicated"] = duplicated;
    state.counters["live_reshown"] = reshown;
    state.counters["shm_lost"] = shmLost;
    // Offers the network server replaced because the window was not back within its period.
    state.counters["net_replaced"] = netReplaced;
    state.counters["dialogs_opened"] = opened;
    state.counters["modal_boxes"] = modalBoxes;
    QFile::remove(config);
    if (missing || duplicated || shmLost || growth > 10)
        state.SkipWithError(qPrintable(
            QStringLiteral("%1 blocks missing, %2 live blocks shown twice, %3 lost from shared "
                           "memory, resident memory %4 -> %5 MB")
                .arg(missing).arg(duplicated).arg(shmLost).arg(atThousand).arg(atEnd)));
}

// Forces the threads of the source's channel steps (ORMA_THREADS) while it lives; 0 leaves one
// per core.
class ThreadCount {
public:
    explicit ThreadCount(int threads)
    {
        if (threads > 0)
            qputenv("ORMA_THREADS", QByteArray::number(threads));
    }
    ~ThreadCount() { qunsetenv("ORMA_THREADS"); }
};

// The window on a record of 16 channels x `samples` 14-bit samples, both panels, FFT `fft`,
// paced at the 50 ms floor, the channels' steps on `threads` threads (0: one per core).
// seconds == 0: each iteration is one block's time apart from the 50 ms pause before the
// source serves it (the worker's steps and the window's display steps); otherwise one
// iteration of that many seconds, counting the blocks shown and the CPU taken.
void fileWindow(benchmark::State &state, uint64_t samples, uint32_t fft, int threads, int seconds)
{
    const ThreadCount threadCount(threads);
    const QString config = applicationConfigPath(QCoreApplication::applicationDirPath());
    writeIniValue(config, "", "Mode", 1);
    writeIniValue(config, "", "PanelsView", 2);
    writeIniValue(config, "OscPanel", "Timeout", 1);
    writeIniValue(config, "SpectrPanel", "FftSize", int(fft));
    QTemporaryDir dir;
    RecordRecipe recipe = defaultRecordRecipe();
    recipe.params.channelCount = 16;
    recipe.params.channelNumbers.clear();
    for (int c = 0; c < 16; ++c)
        recipe.params.channelNumbers.push_back(c);
    recipe.params.bitRange = 14;
    recipe.params.sampleCount = samples;
    recipe.tones = {{12345, 6000, 0}};
    recipe.noiseRms = 2;
    const QString record = dir.filePath("file16.bin");
    writeRecordFile(record, recipe, true);
    constexpr double PauseMs = 50;

    Orma window;
    window.resize(1600, 1000);
    window.show();
    window.loadFile(record);
    if (window.isStopped())
        window.slotStart();
    // The first blocks pay for buffers and plans.
    for (int b = 0; b < 3; ++b)
        if (!nextBlock(window)) {
            state.SkipWithError("no block from the record");
            return;
        }
    double cycleMs = 0;
    int blocks = 0;
    QElapsedTimer clock;
    const double cpuBefore = processCpuSeconds();
    clock.start();
    for (auto _ : state) {
        if (seconds == 0) {
            QElapsedTimer between;
            between.start();
            if (!nextBlock(window))
                break;
            state.SetIterationTime(std::max(between.nsecsElapsed() * 1e-9 - PauseMs * 1e-3, 0.0));
            cycleMs += double(window.lastCycleNs()) * 1e-6;
            ++blocks;
            continue;
        }
        while (clock.elapsed() < seconds * 1000 && nextBlock(window)) {
            cycleMs += double(window.lastCycleNs()) * 1e-6;
            ++blocks;
        }
        state.SetIterationTime(clock.nsecsElapsed() * 1e-9);
    }
    const double wall = clock.nsecsElapsed() * 1e-9;
    state.counters["blocks"] = blocks;
    state.counters["blocks_per_s"] = blocks / wall;
    state.counters["cpu_cores"] = (processCpuSeconds() - cpuBefore) / wall;
    state.counters["E_ms"] = blocks ? cycleMs / blocks : 0;
    state.counters["rss_MB"] = residentMb();
    // One block's samples and spectra: the unit that resident memory counts generations in.
    if (const BlockSnapshotPtr &block = window.block())
        state.counters["block_MB"] = double(uint64_t(block->sampleChannels) * block->sampleLength +
                                            uint64_t(block->spectrumChannels) * uint64_t(block->binCount)) *
                                     sizeof(double) / (1024.0 * 1024.0);
    state.counters["threads"] = threads > 0 ? threads : machineThreadCount();
    window.slotStop();
    QFile::remove(config);
}

BENCHMARK_CAPTURE(fileWindow, perCore, 1 << 20, 1 << 20, 0, 0)->Name("DataCycle/file_16x1M")
    ->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fileWindow, oneThread, 1 << 20, 1 << 20, 1, 0)
    ->Name("DataCycle/file_16x1M/threads:1")->UseManualTime()->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fileWindow, perCore, 2 << 20, 1 << 20, 0, 20)->Name("Window/file_16x2M_20s")
    ->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(fileWindow, oneThread, 2 << 20, 1 << 20, 1, 20)
    ->Name("Window/file_16x2M_20s/threads:1")->UseManualTime()->Iterations(1)
    ->Unit(benchmark::kSecond);

BENCHMARK(soak)->Name("Soak/10k_blocks")->Arg(10000)->Iterations(1)->Unit(benchmark::kSecond);

BENCHMARK_CAPTURE(dataCycle, plain, false, {}, -1)->Name("DataCycle/sim_8x64K")->UseManualTime()
    ->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(dataCycle, dialogs, false,
                  {"m_pAdcDistribAction", "m_pDevParamsAction", "m_pIntermodDistAction"}, -1)
    ->Name("DataCycle/sim_8x64K_dialogs")->UseManualTime()
    ->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(dataCycle, complex, true, {}, -1)->Name("DataCycle/sim_8x64K_iq")->UseManualTime()
    ->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(dataCycle, iqDialogs, true,
                  {"m_pPhaseMisAction", "m_pAmplPhaseAction", "m_pVectorDiagramAction"}, -1)
    ->Name("DataCycle/sim_8x64K_iq_dialogs")->UseManualTime()
    ->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(dataCycle, fir, false, {}, 0)->Name("DataCycle/sim_8x64K_fir4095")->UseManualTime()
    ->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(dataCycle, iir, false, {}, 1)->Name("DataCycle/sim_8x64K_iir8")->UseManualTime()
    ->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace
