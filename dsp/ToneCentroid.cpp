#include "dsp/ToneCentroid.h"

#include <cmath>

bool toneCentroid(const double *spectrum, int m, double position, int width, bool isComplex,
                  double &centroid, double &power)
{
    if (!spectrum || m <= 0 || !std::isfinite(position))
        return false;
    const double rounded = std::floor(position + 0.5);
    if (rounded < 0 || rounded >= m)
        return false;
    const long a = long(rounded);
    const long h = width / 2;

    // Positions are taken relative to the unwrapped group; only a complex spectrum wraps.
    long first = a - h, last = a + h;
    if (!isComplex || h >= m) {
        if (first < 0)
            first = 0;
        if (last > m - 1)
            last = m - 1;
    }
    double sum = 0.0, moment = 0.0;
    for (long p = first; p <= last; ++p) {
        const long bin = ((p % m) + m) % m;
        sum += spectrum[bin];
        moment += double(p) * spectrum[bin];
    }
    power = sum;
    if (sum == 0.0) {
        centroid = 0.0;
        return true;
    }
    double c = moment / sum;
    if (c < 0)
        c += m;
    else if (c >= m)
        c -= m;
    centroid = c;
    return true;
}
