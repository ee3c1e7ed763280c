#pragma once
// What the commands on one I/Q pair share (iq, vector): the pair and window options, and the
// pair's samples over the window read out of a complex record.
#include "CommandLine.h"

#include "sources/measure/iq/IqSlice.h"

struct IqWindow {
    QStringList files;
    int pair = 0;
    uint64_t position = 0;
    uint64_t length = 65536;
};

// --pair, --position, --length; to be joined with a command's own.
QSet<QString> iqWindowOptions();
// Reads the files and the window; errors land in `cl`.
void readIqWindow(CommandLine &cl, const QString &command, IqWindow &w);
// The pair over the window, ExitOk; else reports what failed and returns its exit status.
int readIqSlice(const IqWindow &w, IqSlice &slice);
