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
    SpectrumLayout layout;
    double frequency(double storedBin) const;
};
ChannelImd imdOf(const BlockSnapshot &block, int k);
