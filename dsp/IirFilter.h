#pragma once
// Filtering through a cascade of second-order sections in double, each from rest.
#include "dsp/IirDesign.h"

#include <cstddef>

// y = the cascade's response to x[0 .. n-1]; y may be x. Section by section over the whole
// array (transposed direct form II), so that each pass is one tight recursion.
void filterCascade(const Biquad *sections, int count, const double *x, size_t n, double *y);
