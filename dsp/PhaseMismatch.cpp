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

// Calls onChange(i) for every i in 1..n-1 where s[i-1] and s[i] lie on different sides of the
// level ("above": s >= level, or s > level when `strict`). Eight samples are compared at a time
// and skipped together when none changes side, since crossings are rare.
template <bool strict, typename F> void forEachSideChange(const double *s, size_t n, double level, F onChange)
{
    if (n < 2)
        return;
    auto above = [level](double v) { return strict ? v > level : v >= level; };
    unsigned previous = above(s[0]);
    size_t i = 1;
#ifdef __SSE2__
    const __m128d h = _mm_set1_pd(level);
    auto compare = [&h](const double *p) {
        return strict ? _mm_cmpgt_pd(_mm_loadu_pd(p), h) : _mm_cmpge_pd(_mm_loadu_pd(p), h);
    };
    for (; i + 8 <= n; i += 8) {
        const double *p = s + i;
        const __m128d a = compare(p), b = compare(p + 2), c = compare(p + 4), d = compare(p + 6);
        // All eight on the side of the sample before them: nothing to look at.
        const __m128d all = _mm_and_pd(_mm_and_pd(a, b), _mm_and_pd(c, d));
        const __m128d any = _mm_or_pd(_mm_or_pd(a, b), _mm_or_pd(c, d));
        if (previous ? _mm_movemask_pd(all) == 3 : _mm_movemask_pd(any) == 0)
            continue;
        const unsigned mask = unsigned(_mm_movemask_pd(a)) | unsigned(_mm_movemask_pd(b)) << 2 |
                              unsigned(_mm_movemask_pd(c)) << 4 | unsigned(_mm_movemask_pd(d)) << 6;
        unsigned changes = (mask ^ (mask << 1 | previous)) & 0xFFu;
        previous = mask >> 7;
        while (changes) {
            onChange(i + size_t(__builtin_ctz(changes)));
            changes &= changes - 1;
        }
    }
#endif
    for (; i < n; ++i) {
        const unsigned now = above(s[i]);
        if (now != previous)
            onChange(i);
        previous = now;
    }
}

// Sum over [from, to) given the total: through the shorter of the span and its two edges.
double rangeSum(const double *s, size_t n, size_t from, size_t to, double total)
{
    if (to - from <= n - (to - from))
        return sumRange(s, long(from), long(to));
    return total - sumRange(s, 0, long(from)) - sumRange(s, long(to), long(n));
}

// The mean over whole periods: between the first rising crossing of the plain mean that
// starts a long positive half-wave and the last one, at least n/2 later, that ends a long
// negative one ("long": over a quarter of the rough period), so that noise near the mean
// does not pick the span. The plain mean without 5 periods or such crossings.
// Also gives the number of rising crossings of the plain mean, what the crossings of the level
// will about number.
double wholePeriodMean(const double *s, size_t n, const Sums &sums, size_t &risingCount)
{
    const double mean = sums.sum / double(n);
    std::vector<size_t> rising, falling;
    forEachSideChange<false>(s, n, mean, [&](size_t i) { (s[i] >= mean ? rising : falling).push_back(i); });
    risingCount = rising.size();
    if (rising.size() <= FewCrossings)
        return mean;
    const double quarter = double(n / rising.size()) / 4.0;
    // First falling crossing after each rising one, and last falling crossing before it.
    size_t d = n, f = 0;
    for (size_t r : rising) {
        while (f < falling.size() && falling[f] <= r)
            ++f;
        if (f < falling.size() && double(falling[f] - r) > quarter) {
            d = r;
            break;
        }
    }
    if (d == n)
        return mean;
    size_t b = n;
    f = falling.size();
    for (size_t k = rising.size(); k-- > 0;) {
        const size_t r = rising[k];
        if (r < d + n / 2)
            break;
        while (f > 0 && falling[f - 1] >= r)
            --f;
        if (f > 0 && double(r - falling[f - 1]) > quarter) {
            b = r;
            break;
        }
    }
    if (b == n)
        return mean;
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
    size_t expected = 0;
    const double level = wholePeriodMean(s, n, sums, expected);
    out.level = level;
    out.times.reserve(expected + expected / 8 + 16);
    // Sum of (s - H)^2 from the pass's sums, never negative through rounding.
    out.energy = std::max(0.0, sums.squares - 2.0 * level * sums.sum + double(n) * level * level);
    forEachSideChange<true>(s, n, level, [&](size_t i) {
        if (s[i] > level) // s[i-1] <= H < s[i]
            out.times.push_back(double(i - 1) + (level - s[i - 1]) / (s[i] - s[i - 1]));
    });
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
    const size_t pairs = std::min(a.size() - ia, b.size() - ib);
    double sum = 0.0;
    for (size_t k = 0; k < pairs; ++k)
        sum += a[ia + k] - b[ib + k];
    r.status = PhaseStatus::Ok;
    r.degrees = sum / double(pairs) * 360.0 / period;
    return r;
}

PhaseResult measurePhase(const double *reference, const double *other, size_t n)
{
    return phaseBetween(channelCrossings(reference, n), channelCrossings(other, n));
}
