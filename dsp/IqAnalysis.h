#pragma once
// Envelope, instantaneous frequency and phase of a complex (I/Q) signal, sample by sample,
// and the summaries the command line prints. Pure functions over the caller's arrays; `out`
// holds n values.
#include <cstddef>

// |z| x scale.
void iqEnvelope(const double *re, const double *im, size_t n, double scale, double *out);

// Hz, from the phase step of successive samples, centred on each sample:
// f[i] = fs / 4pi * (arg(z[i+1] conj z[i]) + arg(z[i] conj z[i-1])), exact for a tone and for
// a linear chirp, negative below zero frequency. A sample at the origin has no phase: it reads
// 0, and the steps across it share the turn between its neighbours, which therefore read the
// tone's frequency rather than half of it. The ends repeat their neighbours; two samples give
// their one step.
void iqFrequency(const double *re, const double *im, size_t n, double sampleRate, double *out);

// atan2(Q, I) in degrees, (-180, 180].
void iqPhase(const double *re, const double *im, size_t n, double *out);

struct SeriesStats {
    double min = 0.0;
    double max = 0.0;
    double mean = 0.0;
    double rms = 0.0;
    double deviation = 0.0; // standard deviation about the mean
};

// All zero for an empty series.
SeriesStats seriesStats(const double *v, size_t n);

// Phase travelled from the first sample to the last, degrees, each step taken as the
// shortest turn (the unwrapped phase's last value minus its first).
double unwrappedSpan(const double *phaseDeg, size_t n);
