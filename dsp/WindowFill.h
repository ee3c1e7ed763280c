#pragma once
// The transform's input from one channel's samples, windowed and scaled: x[k] * (scale * w[k]).
// These loops and the transform are most of what a block costs, so they run as vector code
// where the processor has it.
#include "dsp/Fft.h"
#include "dsp/HalfWindow.h"
#include "dsp/Twiddles.h"

// n = w.size() real samples into n doubles, for the real-input transform of the sizes too
// short to halve.
void windowRealSamples(const HalfWindow &w, const double *x, double scale, double *out);

// n complex samples u from re and im (null: zero imaginary part), taken through the first
// radix-2 step of the transform (decimation in frequency): out[k] = u[k] + u[k + H] and
// out[H + k] = (u[k] - u[k + H]) W^k for k < H = n/2, t built for n points and H twiddles. Transforms of length H of the two halves
// then give the even and the odd bins; two half-length transforms cost FFTW less than one of
// full length, and this step rides in the pass that reads the samples anyway.
void windowComplexHalves(const HalfWindow &w, const double *re, const double *im, double scale,
                         const TwiddleTable &t, ComplexD *out);

// n real samples packed as n/2 complex ones, z[k] = u[2k] + i u[2k+1] with u windowed, taken
// through the same first step of their n/2-point transform: out[k] = z[k] + z[k + Q] and
// out[Q + k] = (z[k] - z[k + Q]) W^k for k < Q = n/4, t built for n/2 points and Q twiddles.
void windowRealHalves(const HalfWindow &w, const double *x, double scale, const TwiddleTable &t,
                      ComplexD *out);
