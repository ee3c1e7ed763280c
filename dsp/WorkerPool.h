#pragma once
// A fixed set of threads that runs one job over many independent items (the channels of a
// block), the calling thread taking its share. Items are claimed one at a time, so a slow
// channel does not hold the others up. A job's result must depend on its item alone: `worker`
// tells which thread runs it, so that each thread works in scratch of its own.
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class WorkerPool {
public:
    using Job = std::function<void(int item, int worker)>;

    // `threads` threads in all, the caller's included; fewer than 1 counts as 1.
    explicit WorkerPool(int threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool &) = delete;
    WorkerPool &operator=(const WorkerPool &) = delete;

    int threadCount() const { return int(m_helpers.size()) + 1; }

    // Runs job(item, worker) for every item in [0, count) and returns once all are done;
    // worker is in [0, threadCount()), 0 being the calling thread. Runs from several threads
    // take turns. The first exception a job throws is rethrown here, after the other items.
    void run(int count, const Job &job);

private:
    void serve(int worker);
    void work(int worker, uint64_t generation);

    std::mutex m_runMutex; // one run at a time
    std::mutex m_mutex;
    std::condition_variable m_wake, m_done;
    const Job *m_job = nullptr;
    int m_count = 0;
    int m_next = 0;
    int m_finished = 0;
    uint64_t m_generation = 0;
    bool m_quit = false;
    std::exception_ptr m_failure;
    std::vector<std::thread> m_helpers;
};

// The threads this process may run at once; ORMA_THREADS, when set to a positive number,
// overrides it (comparisons against one thread, measurements).
int machineThreadCount();
