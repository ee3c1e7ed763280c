// A background task that fails gives no result and leaves the task ready for the next request;
// only a failure other than want of memory is logged.
#include "dialogs/LatestTask.h"

#include <QtTest>

#include <new>
#include <stdexcept>

class TestLatestTask : public QObject {
    Q_OBJECT
private slots:
    void failuresGiveNoResultAndTheNextRequestRuns()
    {
        QList<int> results;
        LatestTask<int, int> task(
            [](const int &request) {
                if (request == 1)
                    throw std::bad_alloc();
                if (request == 2)
                    throw std::runtime_error("bad request");
                return request * 10;
            },
            [&](std::shared_ptr<const int> r) { results.append(*r); });

        task.submit(1);
        QTRY_VERIFY(!task.isBusy());
        QTest::ignoreMessage(QtCriticalMsg, "background measurement failed: bad request");
        task.submit(2);
        QTRY_VERIFY(!task.isBusy());
        task.submit(3);
        QTRY_COMPARE(results, QList<int>{30});
    }
};

QTEST_GUILESS_MAIN(TestLatestTask)
#include "test_latest_task.moc"
