#pragma once
// The 8-byte flag file beside a record through which a producer hands blocks to the viewer:
// a signed 32-bit state and a signed 32-bit value, little-endian. The producer sets state -1
// when a block is ready; the viewer answers 1 when it goes on to read, and turns a 1 it finds
// into 0 when it comes back for the next block.
#include "sources/record/FileAccess.h"

#include <QString>

#include <cstdint>

struct FlagWord {
    int32_t state = 0;
    int32_t value = 0;
};

constexpr int32_t FlagBlockReady = -1;
constexpr int32_t FlagIdle = 0;
constexpr int32_t FlagTaken = 1;

class FlagFile {
public:
    // The record path with its first ".bin" replaced by ".flg"; empty when it has none.
    static QString pathFor(const QString &recordPath);

    void setPath(const QString &path) { m_path = path; }
    const QString &path() const { return m_path; }
    bool exists() const;

    // Both read the 8 bytes whole. read() is false when the file is missing or not yet 8 bytes
    // long (a writer is between its open and its write). Both are false when a stop ended the
    // attempts to open the file.
    bool read(FlagWord &out, const StopRequested &stopRequested = {}) const;
    // Written in place, never truncated first, so that a concurrent reader never sees a
    // short file.
    bool write(FlagWord word, const StopRequested &stopRequested = {}) const;

private:
    bool open(QFile &file, QIODevice::OpenMode mode, const StopRequested &stopRequested) const;

    QString m_path;
};
