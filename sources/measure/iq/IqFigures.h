#pragma once
// Envelope, instantaneous frequency and phase of an I/Q slice, sample by sample, with the
// summaries the amplitude, frequency and phase view reads out.
#include "dsp/IqAnalysis.h"
#include "sources/measure/iq/IqSlice.h"

#include <vector>

struct IqFigures {
    std::vector<double> envelope, frequency, phase;
    SeriesStats envelopeStats, frequencyStats;
    double span = 0.0; // the unwrapped phase's travel, degrees
};

IqFigures iqFiguresOf(const IqSlice &z);
