#pragma once
// A capture in another format rewritten as a record: the reader's words, window by window, then
// the postfix of its description. Written under a temporary name and renamed when whole, so a
// capture that fails halfway leaves nothing behind.
#include "sources/foreign/ForeignReader.h"

// False with "file: field: problem" in `error`.
bool convertForeignFile(const QString &input, const QString &output, const ForeignFill &fill,
                        QString &error);
