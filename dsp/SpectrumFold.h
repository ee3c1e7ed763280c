#pragma once
// One pass from a transform's natural-order output to the stored spectrum of a block.
#include "dsp/Fft.h"

struct SpectrumFold {
    int binCount = 0;            // M
    double *average = nullptr;   // M values of the running average, or null without averaging
    bool blend = false;          // mix into the average (false on the first block after a rebuild)
    double averageCount = 1.0;   // K
    bool oneSided = false;       // real signal: every bin but 0 is doubled
    bool centred = false;        // complex signal shown -Fd/2..+Fd/2: halves swapped
    double *chunkSums = nullptr;   // BinSummary tables of the stored spectrum
    double *chunkMaxima = nullptr;
    // Set: the transform came as two halves, bin 2j in data[j] and bin 2j+1 in odd[j]
    // (complex signals only: nothing is doubled).
    const ComplexD *odd = nullptr;
};

// For every bin: power |data[k]|^2 (doubled one-sided), the exponential average, the swap, with
// the chunk summary built while each chunk is in cache. Returns the first bin holding the
// largest raw power (before averaging), 0 when none is above 0 - the same peak the power
// spectrum of the raw transform gives.
int foldSpectrum(const ComplexD *data, double *out, const SpectrumFold &fold);

// The same steps when out already holds the power of every bin in transform order, doubled for
// a one-sided spectrum as foldSpectrum would have stored it. Not for a centred spectrum.
int foldStoredSpectrum(double *out, const SpectrumFold &fold);
