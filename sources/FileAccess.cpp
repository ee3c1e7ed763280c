#include "sources/FileAccess.h"

#include <QThread>

bool openWithRetry(QFile &file, QIODevice::OpenMode mode, const StopRequested &stopRequested)
{
    while (!file.open(mode)) {
        // A vanished file will not open however long we try.
        if (!file.exists() || (stopRequested && stopRequested()))
            return false;
        QThread::msleep(OpenRetryMs);
    }
    return true;
}
