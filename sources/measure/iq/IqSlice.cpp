#include "sources/measure/iq/IqSlice.h"

IqSlice makeIqSlice(const BlockSnapshot &block, int k, const SampleSpan &span)
{
    IqSlice slice;
    if (k < 0)
        return slice;
    const int i = k - k % 2;
    slice.re = copyChannel(block, i, span);
    slice.im = copyChannel(block, i + 1, span);
    if (slice.empty()) {
        slice.re.clear();
        slice.im.clear();
        return slice;
    }
    slice.x = copyIndex(block, span);
    const int number = block.channels.numbers().value(i, -1);
    const FileParams &p = block.fileOfChannel(number);
    slice.sampleRate = p.sampleRate;
    slice.bits = p.bitRange;
    return slice;
}
