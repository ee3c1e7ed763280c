// The filter parameters change while blocks are served (the dialog emits a change on every
// keystroke, from the GUI thread, without parking the worker): every channel of one block is
// filtered with the same parameters, taken when the block began.
#include "SourceTestKit.h"

#include "sources/settings/FilterSettings.h"
#include "sources/generator/SignalSimulation.h"
#include "sources/generator/SimulationSettings.h"

#include <QtTest>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

class FilterThreadsTest : public QObject {
    Q_OBJECT
private slots:
    void oneParameterSetPerBlock()
    {
        SimulationSettings s;
        s.sampleCount = 2048;
        for (int row = 0; row < 6; ++row) {
            s.rows[size_t(row)].enabled = true;
            s.rows[size_t(row)].frequency = 1000 * (row + 1);
            s.rows[size_t(row)].amplitude = 500;
        }
        SignalSimulation sim;
        applySimulation(sim, s);
        std::mutex seenMutex;
        std::vector<int> seen; // the order each channel of the current block was filtered with
        sim.setChannelFilter([&](double *, size_t, double, const FilterParams &p) {
            std::this_thread::yield(); // give the other thread room to change them meanwhile
            std::lock_guard<std::mutex> lock(seenMutex);
            seen.push_back(p.iirOrder);
            return QString();
        });
        sim.setFilterEnabled(true);

        std::atomic<bool> stop{false};
        std::thread changer([&] {
            FilterParams p = FilterSettings::defaults();
            for (int i = 0; !stop; ++i) {
                p.iirOrder = 1 + i % 9;
                sim.setFilterParams(p);
            }
        });
        BlockWaiter waiter(sim);
        int mixed = 0, orders = 0, last = -1;
        for (int block = 0; block < 200; ++block) {
            if (!waiter.fetch())
                break;
            std::lock_guard<std::mutex> lock(seenMutex);
            if (seen.size() != 6)
                ++mixed;
            for (int order : seen)
                mixed += order != seen.front();
            orders += !seen.empty() && seen.front() != last;
            if (!seen.empty())
                last = seen.front();
            seen.clear();
        }
        stop = true;
        changer.join();
        QCOMPARE(waiter.count(), 200);
        QCOMPARE(mixed, 0);
        QVERIFY(orders > 1); // the changes did reach the worker
    }
};

QTEST_GUILESS_MAIN(FilterThreadsTest)
#include "test_filter_threads.moc"
