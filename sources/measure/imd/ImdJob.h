#pragma once
// Two-tone intermodulation of one channel of a delivered block, shared by the dialog and
// orma-tool.
#include "dsp/Intermod.h"
#include "sources/BlockSnapshot.h"

// Intermodulation of the channel (buffer index k) from its stored spectrum, with the length,
// main lobe and layout the spectrum was built with. `defined` is false without a spectrum.
struct ChannelImd {
    bool defined = false;
    ImdResult result;
    double hzPerBin = 0.0;    // frequency of one bin
    int binCount = 0;
    uint32_t fftSize = 0;
    int width = 0;            // bins of one tone group
    SpectrumLayout layout;
    double frequency(double storedBin) const;
    // The FFT length that separates an unresolved figure's groups; 0 when none up to the
    // largest the analyser takes does.
    uint32_t resolvingFftSize(const ImdVerdict &verdict) const;
};
ChannelImd imdOf(const BlockSnapshot &block, int k);
