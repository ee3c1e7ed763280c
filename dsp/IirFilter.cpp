#include "dsp/IirFilter.h"

#include <algorithm>
#include <vector>

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

size_t iirSettlingLength(const Biquad *sections, int count, size_t limit)
{
    if (count <= 0 || limit == 0)
        return 0;
    // The response in growing pieces, so that a fast filter costs little; the tail is only
    // known once the response has died away, hence the check after each piece.
    std::vector<double> h;
    for (size_t length = std::min<size_t>(4096, limit);; length = std::min(length * 4, limit)) {
        h.assign(length, 0.0);
        h[0] = 1.0;
        filterCascade(sections, count, h.data(), length, h.data());
        double total = 0.0;
        for (double v : h)
            total += v * v;
        double tail = 0.0;
        size_t n = length;
        while (n > 0 && tail + h[n - 1] * h[n - 1] <= 1e-12 * total) {
            tail += h[n - 1] * h[n - 1];
            --n;
        }
        // Settled inside the piece, with a quarter of it to spare as evidence that it stays so.
        if (n <= length - length / 4 || length == limit)
            return n;
    }
}
