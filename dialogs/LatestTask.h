#pragma once
// One background computation at a time on Qt's global pool, for the newest request only: a
// request made while one runs waits, and a later one replaces it. The result reaches `done` in
// the GUI thread (none when the work failed; a failure other than want of memory is logged);
// requests carry everything the work reads (immutable blocks, copies), so the work never touches
// what another thread may change. The destructor waits for a running task.
#include "sources/ThreadHandOff.h"

#include <QFutureInterface>
#include <QFutureWatcher>
#include <QRunnable>
#include <QThreadPool>

#include <exception>
#include <new>
#include <functional>
#include <memory>
#include <optional>

template <typename Request, typename Result> class LatestTask {
public:
    using ResultPtr = std::shared_ptr<const Result>;

    LatestTask(std::function<Result(const Request &)> work, std::function<void(ResultPtr)> done)
        : m_work(std::move(work)), m_done(std::move(done))
    {
        QObject::connect(&m_watcher, &QFutureWatcher<ResultPtr>::finished, &m_watcher, [this] {
            takeOver(this);
            const ResultPtr result = m_watcher.result();
            m_running = false;
            if (m_pending) {
                start(std::move(*m_pending));
                m_pending.reset();
            }
            if (result)
                m_done(result);
        });
    }
    ~LatestTask() { wait(); }
    LatestTask(const LatestTask &) = delete;
    LatestTask &operator=(const LatestTask &) = delete;

    void submit(Request request)
    {
        // Running until its result has been handed over, so that a task that has ended but not
        // yet reported is not replaced by a new one whose start would drop its report.
        if (m_running)
            m_pending = std::move(request);
        else
            start(std::move(request));
    }
    bool isBusy() const { return m_running || m_pending.has_value(); }
    // Forgets the request waiting behind the running one (a dialog that closes).
    void dropPending() { m_pending.reset(); }
    // Waits for the running task and drops a pending one (tests, shutdown).
    void wait()
    {
        m_pending.reset();
        m_watcher.waitForFinished();
        takeOver(this);
        m_running = false;
    }

private:
    // The pool's work item, built whole before the pool sees it, so that the hand-off marks
    // cover everything the pool thread reads.
    class Task : public QRunnable {
    public:
        Task(const LatestTask *owner, std::function<Result(const Request &)> work, Request request)
            : m_owner(owner), m_work(std::move(work)), m_request(std::move(request))
        {
        }
        QFuture<ResultPtr> begin(QThreadPool *pool)
        {
            m_result.setThreadPool(pool);
            m_result.setRunnable(this);
            m_result.reportStarted();
            return m_result.future();
        }
        void run() override
        {
            takeOver(this);
            ResultPtr result;
            try {
                result = std::make_shared<const Result>(m_work(m_request));
            } catch (const std::bad_alloc &) {
                // Out of memory for a huge request: no result rather than an ended program.
            } catch (const std::exception &e) {
                // Anything else is a fault of the work itself: no result either, but said.
                qCritical("background measurement failed: %s", e.what());
            }
            handOver(m_owner);
            m_result.reportResult(result);
            m_result.reportFinished();
        }

    private:
        const LatestTask *m_owner; // only a key for the hand-off marks
        std::function<Result(const Request &)> m_work;
        Request m_request;
        QFutureInterface<ResultPtr> m_result;
    };

    void start(Request request)
    {
        m_running = true;
        QThreadPool *pool = QThreadPool::globalInstance();
        auto *task = new Task(this, m_work, std::move(request));
        m_watcher.setFuture(task->begin(pool));
        handOver(task);
        pool->start(task);
    }

    std::function<Result(const Request &)> m_work;
    std::function<void(ResultPtr)> m_done;
    QFutureWatcher<ResultPtr> m_watcher;
    std::optional<Request> m_pending;
    bool m_running = false;
};
