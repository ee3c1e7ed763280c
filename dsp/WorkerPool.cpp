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
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_job = &job;
        m_count = count;
        m_next = 0;
        m_busy = int(m_helpers.size());
        m_failure = nullptr;
        ++m_generation;
    }
    m_wake.notify_all();
    work(0);
    std::exception_ptr failure;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_done.wait(lock, [this] { return m_busy == 0; });
        m_job = nullptr;
        failure = m_failure;
        m_failure = nullptr;
    }
    if (failure)
        std::rethrow_exception(failure);
}

void WorkerPool::work(int worker)
{
    for (;;) {
        int item;
        {
            // Items are a channel's worth of work: a lock per claim costs nothing beside it.
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_next >= m_count)
                return;
            item = m_next++;
        }
        try {
            (*m_job)(item, worker);
        } catch (...) {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_failure)
                m_failure = std::current_exception();
        }
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
        work(worker);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (--m_busy == 0)
            m_done.notify_one();
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
