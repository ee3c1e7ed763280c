#include "sources/ReadWindow.h"

#include <algorithm>

uint32_t fftSizeForRecord(uint64_t sampleCount)
{
    uint32_t n = 1u << 20;
    while (n > 1 && n > sampleCount)
        n >>= 1;
    return n;
}

void ReadWindow::setReadLength(uint64_t length, uint32_t fftSize, uint64_t samples)
{
    if (allDataMode)
        return;
    length = std::max<uint64_t>(length, 3 * uint64_t(fftSize));
    if (samples != 0 && length > samples)
        length = samples;
    if (length != readLength) {
        readLength = length;
        windowChanged = true;
    }
}

void ReadWindow::setPosition(uint64_t pos, uint64_t length, uint32_t fftSize, uint64_t samples)
{
    if (pos == 0 && length == 0) {
        setReadLength(samples, fftSize, samples);
        windowStart = position = spectrumStart = 0;
        reloadNeeded = true;
        return;
    }
    position = spectrumStart = pos;
    setReadLength(length, fftSize, samples);
    const uint64_t span = std::max<uint64_t>(length, fftSize);
    const bool inside = pos >= windowStart && pos - windowStart <= readLength &&
                        span <= readLength - (pos - windowStart);
    if (!inside || windowChanged) {
        int64_t start = int64_t(pos) - int64_t(readLength / 3);
        if (samples != 0 && uint64_t(std::max<int64_t>(start, 0)) + readLength > samples)
            start = int64_t(samples) - int64_t(readLength);
        windowStart = uint64_t(std::max<int64_t>(start, 0));
        reloadNeeded = true;
    }
    if (samples != 0 && spectrumStart + fftSize > samples)
        spectrumStart = samples > fftSize ? samples - fftSize : 0;
}

void ReadWindow::setAllDataMode(bool isAll)
{
    if (isAll != allDataMode)
        windowChanged = true;
    allDataMode = isAll;
}

uint64_t ReadWindow::spectrumOffset(uint64_t bufferLength, uint32_t fftSize) const
{
    const uint64_t offset = spectrumStart > windowStart ? spectrumStart - windowStart : 0;
    return bufferLength >= fftSize ? std::min(offset, bufferLength - fftSize) : 0;
}
