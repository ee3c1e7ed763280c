#pragma once
// Filtering through a cascade of second-order sections in double, each from rest.
#include "dsp/IirDesign.h"

#include <cstddef>

// y = the cascade's response to x[0 .. n-1]; y may be x. Section by section over the whole
// array (transposed direct form II), so that each pass is one tight recursion.
void filterCascade(const Biquad *sections, int count, const double *x, size_t n, double *y);

// Samples the cascade needs, from rest, before its output stands for a steady input: the
// length after which the impulse response's tail holds no more than 1e-12 of its energy
// (-120 dB), at most `limit`.
size_t iirSettlingLength(const Biquad *sections, int count, size_t limit);
