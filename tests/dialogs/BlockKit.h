#pragma once
// Delivered blocks built by hand for the measurement dialogs: channels of known tones, their
// records and spectra, as the source would publish them.
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
namespace kit {

struct BlockRecipe {
    int bits = 8;
    int channels = 1;
    uint64_t length = 0;          // samples per channel
    std::function<double(int channel, uint64_t i)> sample = [](int, uint64_t) { return 0.0; };
    bool wholeRecord = false;     // the buffer holds the whole record
    uint64_t windowStart = 0, position = 0;
    uint32_t channelCount = 0;    // the descriptor's claim; 0 means `channels`
};

inline std::shared_ptr<BlockSnapshot> makeBlock(const BlockRecipe &recipe)
{
    auto b = std::make_shared<BlockSnapshot>();
    FileParams p;
    p.channelCount = recipe.channelCount ? recipe.channelCount : uint32_t(recipe.channels);
    p.bitRange = uint8_t(recipe.bits);
    p.voltageRangeMv = 1000;
    p.sampleCount = recipe.length;
    for (int c = 0; c < recipe.channels; ++c)
        p.channelNumbers.push_back(c);
    b->fileParams = {p};
    b->channels = ChannelMap(b->fileParams);
    b->records.resize(size_t(recipe.channels));
    for (int c = 0; c < recipe.channels; ++c)
        b->records[size_t(c)].channelNumber = c;
    std::shared_ptr<double[]> s(new double[size_t(recipe.channels) * recipe.length]);
    for (int c = 0; c < recipe.channels; ++c)
        for (uint64_t i = 0; i < recipe.length; ++i)
            s[size_t(c) * recipe.length + i] = recipe.sample(c, i);
    b->samples = s;
    b->sampleChannels = recipe.channels;
    b->sampleLength = recipe.length;
    b->window.readLength = recipe.length;
    b->window.allDataMode = recipe.wholeRecord;
    b->window.windowStart = recipe.windowStart;
    b->window.position = recipe.position;
    return b;
}

// A quantised sine visiting every phase (Weyl sampling with the golden ratio).
inline double weylSine(uint64_t i, double amplitude, double offset = 0.0)
{
    const double alpha = (std::sqrt(5.0) - 1.0) / 2.0;
    const double phase = std::fmod(double(i) * alpha, 1.0);
    return std::round(offset + amplitude * std::sin(2 * M_PI * phase));
}

// Gives the block one real spectrum per channel (binCount bins).
inline void setSpectra(BlockSnapshot &b, const std::vector<std::vector<double>> &spectra)
{
    const int m = int(spectra.front().size());
    std::shared_ptr<double[]> s(new double[spectra.size() * size_t(m)]);
    for (size_t c = 0; c < spectra.size(); ++c)
        std::copy(spectra[c].begin(), spectra[c].end(), s.get() + c * size_t(m));
    b.spectra = s;
    b.spectrumChannels = int(spectra.size());
    b.binCount = m;
    b.fftSize = uint32_t(2 * m);
    b.mainLobeWidth = 1;
}

} // namespace kit
