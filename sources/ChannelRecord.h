#pragma once
// One channel of the loaded set: identity, display state, the generator's settings for the
// channel and the figures the last block measured.
#include "dsp/SpectrumEngine.h"

#include <cstdint>

struct ChannelRecord : SpectrumMeasurements {
    int channelNumber = 0;      // device channel number
    bool shown = false;

    // Generator settings of the component behind this channel.
    bool enabled = false;
    uint8_t noiseAmplitude = 0; // LSB RMS, 0 = no noise
    int amplitude = 0;          // ADC codes
    int frequency = 0;          // Hz
    int phase = 0;              // degrees

    // The block's extremes, in ADC codes.
    double maximum = 0.0;
    double minimum = 0.0;

    // The measured figures of `from` with this record's own identity and display state:
    // the Q channel of an I/Q pair shows what its I channel measured.
    void takeMeasurements(const ChannelRecord &from)
    {
        const int number = channelNumber;
        const bool wasShown = shown;
        const double high = maximum, low = minimum;
        *this = from;
        channelNumber = number;
        shown = wasShown;
        maximum = high;
        minimum = low;
    }
};
