#pragma once
// Opening files that another program may hold: retried every 10 ms while the file exists,
// until it opens, the caller's stop request ends the attempts, or the patience runs out (a file
// without read permission will not open however long we wait).
#include <QFile>

#include <functional>

using StopRequested = std::function<bool()>;

constexpr int OpenRetryMs = 10;
constexpr int OpenPatienceMs = 2000;

// False when the file is missing, a stop was requested before it opened, or it did not open
// within patienceMs (< 0: no limit).
bool openWithRetry(QFile &file, QIODevice::OpenMode mode, const StopRequested &stopRequested,
                   int patienceMs = OpenPatienceMs);
