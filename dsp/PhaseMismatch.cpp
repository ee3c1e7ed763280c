#include "dsp/PhaseMismatch.h"

#include "dsp/Scan.h"

#include <algorithm>
#include <cmath>

namespace {

// A channel needs more than this many rising crossings to be measured.
constexpr size_t FewCrossings = 4;

struct Sums {
    double sum = 0.0;
    double squares = 0.0;
};

// Sum and sum of squares in one pass, in independent lanes.
Sums sumsOf(const double *s, size_t n)
{
    size_t j = 0;
    Sums out;
#ifdef __SSE2__
    __m128d a = _mm_setzero_pd(), b = a, qa = a, qb = a;
    for (; j + 4 <= n; j += 4) {
        const __m128d x = _mm_loadu_pd(s + j), y = _mm_loadu_pd(s + j + 2);
        a = _mm_add_pd(a, x);
        b = _mm_add_pd(b, y);
        qa = _mm_add_pd(qa, _mm_mul_pd(x, x));
        qb = _mm_add_pd(qb, _mm_mul_pd(y, y));
    }
    double lanes[4];
    _mm_storeu_pd(lanes, _mm_add_pd(a, b));
    _mm_storeu_pd(lanes + 2, _mm_add_pd(qa, qb));
    out.sum = lanes[0] + lanes[1];
    out.squares = lanes[2] + lanes[3];
#endif
    for (; j < n; ++j) {
        out.sum += s[j];
        out.squares += s[j] * s[j];
    }
    return out;
}

// Rising crossings of `level`, one a period: armed once a sample falls below level - band,
// taken once one rises above level + band, at the last s[j] <= level < s[j+1] before that
// sample, interpolated linearly. A crossing at the very start, before any sample showed the
// signal below the band, is no more certain than one at the very end and is left out too.
std::vector<double> risingCrossings(const double *s, size_t n, double level, double band)
{
    std::vector<double> out;
    const double low = level - band, high = level + band;
    size_t armed = n; // the sample that fell below `low`; n: not armed
    for (size_t i = 0; i < n; ++i) {
        if (armed == n) {
            if (s[i] < low)
                armed = i;
        } else if (s[i] > high) {
            size_t j = i - 1;
            while (j > armed && !(s[j] <= level))
                --j;
            out.push_back(double(j) + (level - s[j]) / (s[j + 1] - s[j]));
            armed = n;
        }
    }
    return out;
}

// A quarter of the amplitude of a sine with the samples' RMS: noise of a tenth of the
// amplitude would need a 5-sigma swing to cross twice.
double hysteresisBand(const Sums &sums, size_t n)
{
    const double mean = sums.sum / double(n);
    const double variance = std::max(0.0, sums.squares / double(n) - mean * mean);
    return std::sqrt(2.0 * variance) / 4.0;
}

// Sum over [from, to) given the total: through the shorter of the span and its two edges.
double rangeSum(const double *s, size_t n, size_t from, size_t to, double total)
{
    if (to - from <= n - (to - from))
        return sumRange(s, long(from), long(to));
    return total - sumRange(s, 0, long(from)) - sumRange(s, long(to), long(n));
}

// A sine of `period` samples over the half period around a sample, -half..half, tabulated
// once for all the crossings of a channel.
struct SineWindow {
    double w;
    long half;
    std::vector<double> cosines, sines;

    explicit SineWindow(double period) : w(2.0 * M_PI / period), half(std::max(1L, long(period / 4.0)))
    {
        for (long k = -half; k <= half; ++k) {
            cosines.push_back(std::cos(w * double(k)));
            sines.push_back(std::sin(w * double(k)));
        }
    }
};

// Where the window's sine fitted (least squares, about `level`) to the samples around `rough`
// rises through the level; `rough` when the samples cannot say.
double fittedCrossing(const double *s, size_t n, double level, const SineWindow &sine, double rough)
{
    const long centre = std::lround(rough);
    const long from = std::max(-sine.half, -centre), to = std::min(sine.half, long(n) - 1 - centre);
    double cc = 0, cs = 0, ss = 0, xc = 0, xs = 0;
    for (long k = from; k <= to; ++k) {
        const double c = sine.cosines[size_t(k + sine.half)], sn = sine.sines[size_t(k + sine.half)];
        const double x = s[centre + k] - level;
        cc += c * c;
        cs += c * sn;
        ss += sn * sn;
        xc += x * c;
        xs += x * sn;
    }
    const double det = cc * ss - cs * cs;
    if (!(det > 1e-9 * cc * ss))
        return rough;
    // x(k) = a cos wk + b sin wk, rising through 0 at wk = -atan2(a, b) when b > 0.
    const double a = (xc * ss - xs * cs) / det, b = (cc * xs - cs * xc) / det;
    const double t = double(centre) - std::atan2(a, b) / sine.w;
    return b > 0 && std::abs(t - rough) <= double(sine.half) ? t : rough;
}

// The mean over whole periods, from the first rising crossing of the plain mean to the last;
// the plain mean without more than 4 of them.
double wholePeriodMean(const double *s, size_t n, const Sums &sums, double band)
{
    const double mean = sums.sum / double(n);
    const std::vector<double> rising = risingCrossings(s, n, mean, band);
    if (rising.size() <= FewCrossings)
        return mean;
    const size_t d = size_t(rising.front()), b = size_t(rising.back());
    return rangeSum(s, n, d, b, sums.sum) / double(b - d);
}

} // namespace

double phaseFailureValue(PhaseStatus status)
{
    switch (status) {
    case PhaseStatus::Energy: return PhaseEnergyFailure;
    case PhaseStatus::FewReference: return PhaseFewReferenceFailure;
    case PhaseStatus::FewOther: return PhaseFewOtherFailure;
    case PhaseStatus::Absent: return PhaseAbsentFailure;
    case PhaseStatus::Unpaired: return PhaseUnpairedFailure;
    case PhaseStatus::Ok: break;
    }
    return 0.0;
}

const char *phaseStatusName(PhaseStatus status)
{
    switch (status) {
    case PhaseStatus::Ok: return "ok";
    case PhaseStatus::Energy: return "energy";
    case PhaseStatus::FewReference: return "fewReference";
    case PhaseStatus::FewOther: return "fewOther";
    case PhaseStatus::Absent: return "absent";
    case PhaseStatus::Unpaired: return "unpaired";
    }
    return "absent";
}

double ChannelCrossings::periodSamples() const
{
    if (times.size() < 2)
        return 0.0;
    return (times.back() - times.front()) / double(times.size() - 1);
}

ChannelCrossings channelCrossings(const double *s, size_t n)
{
    ChannelCrossings out;
    if (n == 0)
        return out;
    const Sums sums = sumsOf(s, n);
    const double band = hysteresisBand(sums, n);
    const double level = wholePeriodMean(s, n, sums, band);
    out.level = level;
    // Sum of (s - H)^2 from the pass's sums, never negative through rounding.
    out.energy = std::max(0.0, sums.squares - 2.0 * level * sums.sum + double(n) * level * level);
    out.times = risingCrossings(s, n, level, band);
    const double period = out.periodSamples();
    if (period > 0) {
        const SineWindow sine(period);
        for (double &t : out.times)
            t = fittedCrossing(s, n, level, sine, t);
    }
    return out;
}

PhaseResult phaseBetween(const ChannelCrossings &reference, const ChannelCrossings &other)
{
    PhaseResult r;
    auto fail = [&](PhaseStatus status) {
        r.status = status;
        r.degrees = phaseFailureValue(status);
        return r;
    };
    const double e1 = reference.energy, e2 = other.energy;
    if (e1 < e2 / 2 || e2 < e1 / 2)
        return fail(PhaseStatus::Energy);
    const std::vector<double> &a = reference.times, &b = other.times;
    const double period = reference.periodSamples();
    if (a.size() <= FewCrossings || !(period > 0.0))
        return fail(PhaseStatus::FewReference);
    if (b.size() <= FewCrossings)
        return fail(PhaseStatus::FewOther);

    // Crossing k of one list goes with crossing k of the other, after the list whose first
    // crossing is nearer the other's second one drops its first.
    const double same = std::abs(a[0] - b[0]);
    const double otherLate = std::abs(a[0] - b[1]);
    const double referenceLate = std::abs(a[1] - b[0]);
    size_t ia = 0, ib = 0;
    if (otherLate < same && otherLate <= referenceLate)
        ib = 1;
    else if (referenceLate < same && referenceLate < otherLate)
        ia = 1;
    const size_t na = a.size() - ia, nb = b.size() - ib, pairs = std::min(na, nb);
    if (std::max(na, nb) - pairs > 1)
        return fail(PhaseStatus::Unpaired);
    double sum = 0.0;
    for (size_t k = 0; k < pairs; ++k)
        sum += a[ia + k] - b[ib + k];
    const double mean = sum / double(pairs);
    for (size_t k = 0; k < pairs; ++k) {
        if (std::abs(a[ia + k] - b[ib + k] - mean) > period / 8.0)
            return fail(PhaseStatus::Unpaired);
    }
    r.status = PhaseStatus::Ok;
    r.degrees = mean * 360.0 / period;
    return r;
}

PhaseResult measurePhase(const double *reference, const double *other, size_t n)
{
    return phaseBetween(channelCrossings(reference, n), channelCrossings(other, n));
}
