#pragma once
// The part of a record one block reads: the buffer window (start and length) and, inside it,
// the displayed position and the analysed block of N samples. A third of the buffer lies
// before the displayed span, so that scrolling either way is served from memory.
#include <cstdint>

struct ReadWindow {
    uint64_t readLength = 0;    // samples per channel in the buffer
    uint64_t windowStart = 0;   // record sample at the buffer's start
    uint64_t position = 0;      // first displayed sample
    uint64_t spectrumStart = 0; // first analysed sample
    bool allDataMode = false;   // the buffer holds the whole record
    bool windowChanged = true;  // the length or mode changed since the cycle last looked
    bool reloadNeeded = true;   // the buffer no longer covers what it holds

    // `samples` is the record's length per channel, 0 when unknown (a live stream).
    // At least 3·N samples, never more than the record holds; ignored in whole-record mode.
    void setReadLength(uint64_t length, uint32_t fftSize, uint64_t samples);
    // The displayed span from pos; (0, 0) means the whole record from its start.
    void setPosition(uint64_t pos, uint64_t length, uint32_t fftSize, uint64_t samples);
    void setAllDataMode(bool isAll);
    // Offset of the analysed block in the buffer, kept inside a buffer of `bufferLength`.
    uint64_t spectrumOffset(uint64_t bufferLength, uint32_t fftSize) const;
};

// Largest power of two not above the record length, at most 2^20.
uint32_t fftSizeForRecord(uint64_t sampleCount);
