#pragma once
// Descriptor of one loaded record: a file, a shared-memory or TCP stream, or the generator.
#include "sources/settings/DimensionCodes.h"

#include <cmath>
#include <cstdint>
#include <vector>

struct FileParams {
    // A descriptor whose postfix has not been read yet carries no channels.
    static constexpr uint32_t UnknownChannelCount = 0xFFFFFFFFu;

    uint32_t channelCount = UnknownChannelCount;
    uint64_t sampleCount = 0;          // samples per channel
    bool isComplex = false;            // channels come in I/Q pairs
    double sampleRate = 101000.0;      // Hz
    int32_t voltageRangeMv = 0;        // full input range
    uint8_t bitRange = 0;              // significant ADC bits per sample
    uint8_t bytesPerSample = 0;        // 1, 2 or 4
    std::vector<int> channelNumbers;   // device channel of each stored channel; empty = none
    std::vector<double> shiftFrequencies; // Hz
    std::vector<double> gains;         // empty when the record gives none
    int32_t codeType = 0;              // 0 two's complement, 1 offset binary, 2 Gray
    bool multiChannel = false;         // generator: one output channel per component

    bool hasChannels() const { return channelCount != UnknownChannelCount && channelCount > 0; }
    // Bytes of one frame (one sample of every channel); 0 when the layout is not usable.
    uint64_t frameBytes() const
    {
        return hasChannels() ? uint64_t(channelCount) * bytesPerSample : 0;
    }
};

// A descriptor with every field zero: what a file added to the set or an unset user
// parameter block starts from.
inline FileParams zeroedFileParams()
{
    FileParams p;
    p.channelCount = 0;
    p.sampleRate = 0.0;
    return p;
}

// The largest code of a B-bit converter, the full scale the spectra are referred to.
inline double fullScaleCode(int bitRange)
{
    return bitRange >= 1 && bitRange <= 32 ? double((uint64_t(1) << (bitRange - 1)) - 1) : 0.0;
}

// RMS (V) of the sine whose peaks reach the full scale of a converter spanning rangeMv: the
// spectra refer the largest code to the range, so this sine is 0 dBFS.
inline double fullScaleSineRms(int32_t rangeMv)
{
    return rangeMv / 1000.0 / std::sqrt(2.0);
}

// An RMS level (V) in dB relative to that sine; zero power for nothing or a converter without
// a range.
inline double decibelsFullScale(double rmsVolts, int32_t rangeMv)
{
    const double reference = fullScaleSineRms(rangeMv);
    return rmsVolts > 0 && reference > 0 ? 20.0 * std::log10(rmsVolts / reference) : ZeroPowerDecibels;
}
