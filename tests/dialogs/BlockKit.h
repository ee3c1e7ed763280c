#pragma once
// Blocks made by hand for the measurement dialogs: channels of known tones as a source would
// publish them.
#include "sources/BlockSnapshot.h"

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace blockkit {

// One channel: its value at record sample n.
using Channel = std::function<double(double n)>;

inline std::function<double(double)> tone(double hz, double amplitude, double rate, double delaySeconds = 0,
                                          double phaseRad = 0)
{
    return [=](double n) {
        return std::nearbyint(amplitude * std::sin(2 * M_PI * hz * (n / rate - delaySeconds) + phaseRad));
    };
}

// Channels numbered from `firstNumber`, `length` samples from record sample `first`, each
// record measuring `frequency` (0: none).
inline BlockSnapshotPtr block(const std::vector<Channel> &channels, uint64_t length, double rate,
                              double frequency = 0, uint64_t first = 0, bool isComplex = false,
                              int bits = 16, int firstNumber = 0)
{
    auto b = std::make_shared<BlockSnapshot>();
    FileParams p;
    p.channelCount = uint32_t(channels.size());
    p.sampleCount = first + length;
    p.sampleRate = rate;
    p.isComplex = isComplex;
    p.bitRange = uint8_t(bits);
    p.bytesPerSample = bits > 16 ? 4 : 2;
    p.voltageRangeMv = 2500;
    for (size_t c = 0; c < channels.size(); ++c)
        p.channelNumbers.push_back(firstNumber + int(c));
    b->fileParams = {p};
    b->channels = ChannelMap(b->fileParams);
    std::shared_ptr<double[]> samples(new double[channels.size() * length]);
    std::shared_ptr<double[]> index(new double[length]);
    for (uint64_t i = 0; i < length; ++i)
        index[i] = double(first + i);
    for (size_t c = 0; c < channels.size(); ++c) {
        ChannelRecord r;
        r.channelNumber = firstNumber + int(c);
        r.fundamentalFrequency = frequency;
        b->records.push_back(r);
        for (uint64_t i = 0; i < length; ++i)
            samples[c * length + i] = channels[c](double(first + i));
    }
    b->samples = samples;
    b->index = index;
    b->sampleChannels = int(channels.size());
    b->sampleLength = length;
    b->window.readLength = length;
    b->window.windowStart = first;
    return b;
}

} // namespace blockkit
