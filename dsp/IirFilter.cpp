#include "dsp/IirFilter.h"

#include <algorithm>

namespace {

void section(const Biquad &s, const double *x, size_t n, double *y)
{
    const double b0 = s.b0, b1 = s.b1, b2 = s.b2, a1 = s.a1, a2 = s.a2;
    double s1 = 0.0, s2 = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double in = x[i];
        const double out = b0 * in + s1;
        s1 = b1 * in - a1 * out + s2;
        s2 = b2 * in - a2 * out;
        y[i] = out;
    }
}

} // namespace

void filterCascade(const Biquad *sections, int count, const double *x, size_t n, double *y)
{
    if (count <= 0) {
        if (y != x)
            std::copy(x, x + n, y);
        return;
    }
    section(sections[0], x, n, y);
    for (int i = 1; i < count; ++i)
        section(sections[i], y, n, y);
}
