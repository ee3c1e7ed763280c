#pragma once
// Opening files that another program may hold: retried every 10 ms while the file exists,
// until it opens or the caller's stop request ends the attempts.
#include <QFile>

#include <functional>

using StopRequested = std::function<bool()>;

constexpr int OpenRetryMs = 10;

// False when the file is missing, or a stop was requested before it opened.
bool openWithRetry(QFile &file, QIODevice::OpenMode mode, const StopRequested &stopRequested);
