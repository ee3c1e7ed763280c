#include "dsp/IqAnalysis.h"

#include <algorithm>
#include <cmath>

namespace {

// arg(z[i+1] conj z[i]): the phase step from sample i to i + 1, radians.
inline double phaseStep(const double *re, const double *im, size_t i)
{
    return std::atan2(im[i + 1] * re[i] - re[i + 1] * im[i], re[i + 1] * re[i] + im[i + 1] * im[i]);
}

} // namespace

void iqEnvelope(const double *re, const double *im, size_t n, double scale, double *out)
{
    for (size_t i = 0; i < n; ++i)
        out[i] = std::sqrt(re[i] * re[i] + im[i] * im[i]) * scale;
}

void iqFrequency(const double *re, const double *im, size_t n, double sampleRate, double *out)
{
    if (n == 0)
        return;
    if (n == 1) {
        out[0] = 0.0;
        return;
    }
    const double perStep = sampleRate / (2.0 * M_PI);
    if (n == 2) {
        out[0] = out[1] = phaseStep(re, im, 0) * perStep;
        return;
    }
    double before = phaseStep(re, im, 0);
    for (size_t i = 1; i + 1 < n; ++i) {
        const double after = phaseStep(re, im, i);
        const bool zero = re[i] == 0.0 && im[i] == 0.0;
        out[i] = zero ? 0.0 : (before + after) * 0.5 * perStep;
        before = after;
    }
    out[0] = out[1];
    out[n - 1] = out[n - 2];
}

void iqPhase(const double *re, const double *im, size_t n, double *out)
{
    for (size_t i = 0; i < n; ++i) {
        const double deg = std::atan2(im[i], re[i]) * (180.0 / M_PI);
        out[i] = deg == -180.0 ? 180.0 : deg; // Q = -0 on the negative I axis
    }
}

SeriesStats seriesStats(const double *v, size_t n)
{
    SeriesStats s;
    if (n == 0)
        return s;
    s.min = s.max = v[0];
    double sum = 0.0, squares = 0.0;
    for (size_t i = 0; i < n; ++i) {
        s.min = std::min(s.min, v[i]);
        s.max = std::max(s.max, v[i]);
        sum += v[i];
        squares += v[i] * v[i];
    }
    s.mean = sum / double(n);
    s.rms = std::sqrt(squares / double(n));
    // Second pass about the mean: the difference of the sums would cancel for a near-constant
    // series such as a tone's frequency.
    double spread = 0.0;
    for (size_t i = 0; i < n; ++i)
        spread += (v[i] - s.mean) * (v[i] - s.mean);
    s.deviation = std::sqrt(spread / double(n));
    return s;
}

double unwrappedSpan(const double *phaseDeg, size_t n)
{
    double span = 0.0;
    for (size_t i = 1; i < n; ++i) {
        span += std::remainder(phaseDeg[i] - phaseDeg[i - 1], 360.0);
    }
    return span;
}
