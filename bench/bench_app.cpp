// The real main window, offscreen, on the generator: 8 channels x 65536 samples, both panels.
// Reports the data cycle's own time E per block, and the CPU the idle window uses.
#include "sources/settings/IniFile.h"
#include "app/Orma.h"
#include "panels/OrmaOscPanel.h"
#include "sources/record/RecordWriter.h"
#include "sources/generator/SimulationSettings.h"

#include <QCoreApplication>
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
#include <cstdio>

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

// The window for 10,000 blocks: the generator, and every 100 blocks a record loaded or the
// kind switched back. Resident memory at block 1,000 and at the end must stay flat.
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

    const int blocks = int(state.range(0));
    double atThousand = 0, atEnd = 0;
    int lost = 0;
    for (auto _ : state) {
        Orma window;
        window.resize(1200, 900);
        window.show();
        window.slotStart();
        for (int b = 1; b <= blocks; ++b) {
            if (!nextBlock(window))
                ++lost;
            if (b % 100 == 0) {
                if (window.sourceKind() == 1)
                    window.findChild<QAction *>("m_pSimulationAction")->setChecked(true);
                else
                    window.loadFile(record);
                if (window.isStopped())
                    window.slotStart();
            }
            if (b == std::min(1000, blocks))
                atThousand = residentMb();
        }
        atEnd = residentMb();
        window.slotStop();
    }
    state.counters["rss_1000_MB"] = atThousand;
    state.counters["rss_end_MB"] = atEnd;
    state.counters["growth_pct"] = atThousand > 0 ? 100.0 * (atEnd - atThousand) / atThousand : 0;
    state.counters["blocks_missing"] = lost;
    QFile::remove(config);
}

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
