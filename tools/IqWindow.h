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
// The files and the window from the command line, then the pair over the window: ExitOk, else
// what failed is reported and its exit status returned.
int readIqCommand(CommandLine &cl, const QString &command, IqWindow &w, IqSlice &slice);
