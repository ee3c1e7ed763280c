// The pool that hands blocks from the worker to the GUI: a buffer is reused only once its last
// reader has let go, never while one still reads it, also when that reader is another thread.
#include "dsp/BufferPool.h"

#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class BufferPoolTest : public QObject {
    Q_OBJECT
private slots:
    void reusedOnlyAfterTheLastHolder()
    {
        BufferPool pool;
        std::shared_ptr<double[]> a = pool.take(64);
        QVERIFY(a);
        const double *address = a.get();
        std::shared_ptr<double[]> reader = a;
        a.reset();
        std::shared_ptr<double[]> b = pool.take(64);
        QVERIFY(b.get() != address); // the reader still holds the first
        reader.reset();
        QCOMPARE(pool.idleCount(), size_t(1));
        QCOMPARE(pool.take(64).get(), address);
    }

    void anotherSizeDropsTheIdleOnes()
    {
        BufferPool pool;
        pool.take(64).reset();
        QCOMPARE(pool.idleCount(), size_t(1));
        std::shared_ptr<double[]> big = pool.take(128);
        QCOMPARE(pool.idleCount(), size_t(0));
        std::shared_ptr<double[]> old = pool.take(128);
        big.reset();
        old.reset();
        QCOMPARE(pool.idleCount(), size_t(2));
        QVERIFY(!pool.take(0));
        QVERIFY(!pool.take(SIZE_MAX));
    }

    void aBufferMayOutliveItsPool()
    {
        std::shared_ptr<double[]> kept;
        {
            BufferPool pool;
            kept = pool.take(16);
            kept[15] = 3.0;
        }
        QCOMPARE(kept[15], 3.0);
        kept.reset(); // freed, with no pool to return to
    }

    // A writer fills blocks with its block number; a reader thread holds each for a while and
    // finds it unchanged, while the writer goes on with buffers the pool gives back.
    void readersInAnotherThreadSeeTheirBlockUnchanged()
    {
        constexpr size_t Count = 4096;
        constexpr int Blocks = 2000;
        BufferPool pool;
        std::mutex mutex;
        std::condition_variable ready;
        std::deque<std::pair<int, std::shared_ptr<const double[]>>> queue;
        std::atomic<int> bad{0};
        std::thread reader([&] {
            for (int seen = 0; seen < Blocks; ++seen) {
                std::unique_lock<std::mutex> lock(mutex);
                ready.wait(lock, [&] { return !queue.empty(); });
                auto block = std::move(queue.front());
                queue.pop_front();
                lock.unlock();
                for (int pass = 0; pass < 3; ++pass)
                    for (size_t k = 0; k < Count; k += 61)
                        if (block.second[k] != double(block.first))
                            ++bad;
            }
        });
        for (int n = 0; n < Blocks; ++n) {
            std::shared_ptr<double[]> buffer = pool.take(Count);
            std::fill(buffer.get(), buffer.get() + Count, double(n));
            std::lock_guard<std::mutex> lock(mutex);
            queue.emplace_back(n, std::move(buffer));
            ready.notify_one();
        }
        reader.join();
        QCOMPARE(bad.load(), 0);
        QVERIFY(pool.idleCount() <= 2);
    }
};

QTEST_GUILESS_MAIN(BufferPoolTest)
#include "test_buffer_pool_threads.moc"
