#include "dsp/WorkerPool.h"

#include <cstdlib>

#ifdef __linux__
#include <sched.h>
#endif

WorkerPool::WorkerPool(int threads)
{
    for (int worker = 1; worker < threads; ++worker)
        m_helpers.emplace_back([this, worker] { serve(worker); });
}

WorkerPool::~WorkerPool()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    for (std::thread &helper : m_helpers)
        helper.join();
}

void WorkerPool::run(int count, const Job &job)
{
    std::lock_guard<std::mutex> turn(m_runMutex);
    if (count <= 0)
        return;
    if (m_helpers.empty() || count == 1) {
        for (int item = 0; item < count; ++item)
            job(item, 0);
        return;
    }
    uint64_t generation;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_job = &job;
        m_count = count;
        m_next = 0;
        m_finished = 0;
        m_failure = nullptr;
        generation = ++m_generation;
    }
    m_wake.notify_all();
    work(0, generation);
    std::exception_ptr failure;
    {
        // Done when every item is: a helper the scheduler has not woken yet is not waited for,
        // so a busy machine costs no more than the caller doing all the items itself.
        std::unique_lock<std::mutex> lock(m_mutex);
        m_done.wait(lock, [this] { return m_finished == m_count; });
        m_job = nullptr;
        failure = m_failure;
        m_failure = nullptr;
    }
    if (failure)
        std::rethrow_exception(failure);
}

void WorkerPool::work(int worker, uint64_t generation)
{
    for (;;) {
        int item;
        const Job *job;
        {
            // Items are a channel's worth of work: a lock per claim costs nothing beside it. A
            // helper that wakes late finds its run over and claims nothing.
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_generation != generation || m_next >= m_count)
                return;
            item = m_next++;
            job = m_job;
        }
        try {
            (*job)(item, worker);
        } catch (...) {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_failure)
                m_failure = std::current_exception();
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        if (++m_finished == m_count)
            m_done.notify_one();
    }
}

void WorkerPool::serve(int worker)
{
    uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [&] { return m_quit || m_generation != seen; });
            if (m_quit)
                return;
            seen = m_generation;
        }
        work(worker, seen);
    }
}

int machineThreadCount()
{
    if (const char *chosen = std::getenv("ORMA_THREADS")) {
        const int n = std::atoi(chosen);
        if (n > 0)
            return n;
    }
#ifdef __linux__
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return CPU_COUNT(&set);
#endif
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? int(n) : 1;
}
