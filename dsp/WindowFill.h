#pragma once
// The transform's input from one channel's samples: out[k] = x[k] * (scale * w[k]). Each stored
// weight is read once and serves both members of its mirror pair; these loops and the transform
// are all a block costs, so they run as vector code where the processor has it.
#include "dsp/Fft.h"
#include "dsp/HalfWindow.h"

// n = w.size() real samples into n doubles.
void windowRealSamples(const HalfWindow &w, const double *x, double scale, double *out);

// n complex samples from re and im (null: zero imaginary part) into n complex values.
void windowComplexSamples(const HalfWindow &w, const double *re, const double *im, double scale,
                          ComplexD *out);
