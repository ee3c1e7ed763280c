// The real main window, offscreen, on the generator: 8 channels x 65536 samples, both panels.
// Reports the data cycle's own time E per block, and the CPU the idle window uses.
#include "sources/IniFile.h"
#include "app/Orma.h"
#include "panels/OrmaOscPanel.h"
#include "sources/SimulationSettings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QLineEdit>
#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

void dataCycle(benchmark::State &state)
{
    const QString config = applicationConfigPath(QCoreApplication::applicationDirPath());
    SimulationSettings sim;
    sim.sampleCount = 65536;
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
    QLineEdit *counter = window.oscPanel()->m_pCyclesEdit;
    auto waitNextBlock = [&] {
        const QString before = counter->text();
        QElapsedTimer timeout;
        timeout.start();
        while (counter->text() == before && timeout.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    };
    waitNextBlock(); // the first blocks pay for buffers and plans
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

BENCHMARK(dataCycle)->Name("DataCycle/sim_8x64K")->UseManualTime()->Iterations(20)
    ->Unit(benchmark::kMillisecond);

} // namespace
