#include "dsp/IqAnalysis.h"

#include <algorithm>
#include <cmath>

namespace {

inline bool atOrigin(const double *re, const double *im, size_t i)
{
    return re[i] == 0.0 && im[i] == 0.0;
}

// arg(z[b] conj z[a]): the phase turned from sample a to sample b, radians.
inline double turn(const double *re, const double *im, size_t a, size_t b)
{
    return std::atan2(im[b] * re[a] - re[b] * im[a], re[b] * re[a] + im[b] * im[a]);
}

// The phase steps of a series, taken in order. A sample at the origin has no phase, so the
// steps across a run of such samples share evenly the turn between the samples either side of
// it; where the run reaches an end of the series they are unknown (NaN).
class PhaseSteps {
public:
    PhaseSteps(const double *re, const double *im, size_t n) : m_re(re), m_im(im), m_n(n) {}

    // The step from sample i to i + 1; i rises by one from call to call.
    double next(size_t i)
    {
        if (i < m_bridgeEnd)
            return m_bridge;
        if (!atOrigin(m_re, m_im, i) && !atOrigin(m_re, m_im, i + 1))
            return turn(m_re, m_im, i, i + 1);
        size_t j = i + 1;
        while (j < m_n && atOrigin(m_re, m_im, j))
            ++j;
        m_bridgeEnd = j;
        m_bridge = atOrigin(m_re, m_im, i) || j == m_n ? std::nan("")
                                                        : turn(m_re, m_im, i, j) / double(j - i);
        return m_bridge;
    }

private:
    const double *m_re, *m_im;
    size_t m_n;
    size_t m_bridgeEnd = 0;
    double m_bridge = 0.0;
};

// The mean of the steps that are known, 0 when neither is.
inline double knownMean(double a, double b)
{
    if (std::isnan(a))
        return std::isnan(b) ? 0.0 : b;
    return std::isnan(b) ? a : (a + b) * 0.5;
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
    PhaseSteps steps(re, im, n);
    double before = steps.next(0);
    if (n == 2) {
        out[0] = out[1] = knownMean(before, before) * perStep;
        return;
    }
    for (size_t i = 1; i + 1 < n; ++i) {
        const double after = steps.next(i);
        out[i] = atOrigin(re, im, i) ? 0.0 : knownMean(before, after) * perStep;
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
