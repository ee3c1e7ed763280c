#pragma once
// One background computation at a time on Qt's global pool, for the newest request only: a
// request made while one runs waits, and a later one replaces it. The result reaches `done` in
// the GUI thread; requests carry everything the work reads (immutable blocks, copies), so the
// work never touches what another thread may change. The destructor waits for a running task.
#include <QFutureWatcher>
#include <QtConcurrent>

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
            const ResultPtr result = m_watcher.result();
            m_running = false;
            if (m_pending) {
                start(std::move(*m_pending));
                m_pending.reset();
            }
            m_done(result);
        });
    }
    ~LatestTask() { m_watcher.waitForFinished(); }
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
        m_running = false;
    }

private:
    void start(Request request)
    {
        m_running = true;
        const auto work = m_work;
        m_watcher.setFuture(QtConcurrent::run([work, request = std::move(request)] {
            return std::make_shared<const Result>(work(request));
        }));
    }

    std::function<Result(const Request &)> m_work;
    std::function<void(ResultPtr)> m_done;
    QFutureWatcher<ResultPtr> m_watcher;
    std::optional<Request> m_pending;
    bool m_running = false;
};
