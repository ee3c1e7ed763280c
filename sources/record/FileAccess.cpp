#include "sources/record/FileAccess.h"

#include <QElapsedTimer>
#include <QThread>

bool openWithRetry(QFile &file, QIODevice::OpenMode mode, const StopRequested &stopRequested,
                   int patienceMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!file.open(mode)) {
        // A vanished file will not open however long we try.
        if (!file.exists() || (stopRequested && stopRequested()))
            return false;
        if (patienceMs >= 0 && waited.elapsed() > patienceMs)
            return false;
        QThread::msleep(OpenRetryMs);
    }
    return true;
}
