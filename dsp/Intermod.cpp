#include "dsp/Intermod.h"

#include "dsp/ToneCentroid.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

double SpectrumLayout::storedBin(double signedBin, int m) const
{
    if (!isComplex)
        return signedBin;
    const double half = m / 2;
    if (signedBin < -half || signedBin >= half)
        return -1.0;
    if (centred)
        return signedBin + half;
    return signedBin < 0 ? signedBin + m : signedBin;
}

double SpectrumLayout::signedBin(double storedBin, int m) const
{
    if (!isComplex)
        return storedBin;
    const double half = m / 2;
    if (centred)
        return storedBin - half;
    return storedBin >= half ? storedBin - m : storedBin;
}

double SpectrumLayout::alias(double signedBin, int m) const
{
    if (isComplex) {
        const double wrapped = std::fmod(signedBin + m / 2, double(m));
        return (wrapped < 0 ? wrapped + m : wrapped) - m / 2;
    }
    const double folded = std::fabs(std::fmod(signedBin, 2.0 * m));
    return folded > m ? 2.0 * m - folded : folded;
}

namespace {

// First bin of the largest value in from ... to.
int firstLargest(const double *s, int from, int to)
{
    int best = from;
    for (int i = from + 1; i <= to; ++i)
        if (s[i] > s[best])
            best = i;
    return best;
}

// The largest bin beyond the valley on either side of p1, or -1 when both sides fall all the
// way to their ends (ties go to the right).
int secondTonePeak(const double *s, int m, int p1)
{
    int i = p1;
    while (i + 1 < m && s[i + 1] <= s[i])
        ++i;
    const int right = i + 1 < m ? firstLargest(s, i, m - 1) : -1;
    int j = p1;
    while (j > 0 && s[j - 1] <= s[j])
        --j;
    const int left = j > 0 ? firstLargest(s, 0, j) : -1;
    const double rightValue = right >= 0 ? s[right] : 0.0;
    const double leftValue = left >= 0 ? s[left] : 0.0;
    return leftValue > rightValue ? left : right;
}

// The median bin: the noise floor, which a few tones and products do not move.
double medianPower(const double *s, int m)
{
    std::vector<double> copy(s, s + m);
    const auto middle = copy.begin() + m / 2;
    std::nth_element(copy.begin(), middle, copy.end());
    return *middle;
}

// Tone groups are never wrapped: a tone at one end of a complex spectrum is not the same tone as
// one at the other end.
ImdTone toneAt(const double *s, int m, int bin, int width, double floor)
{
    ImdTone tone;
    tone.bin = bin;
    toneCentroid(s, m, bin, width, false, tone.centroid, tone.power);
    tone.aboveNoise = 10.0 * std::log10(tone.power / (floor * width));
    return tone;
}

ImdProduct productAt(const double *s, int m, double position, int width)
{
    ImdProduct p;
    p.position = position;
    double centroid = 0.0;
    if (!toneCentroid(s, m, position, width, false, centroid, p.power))
        p.power = 0.0;
    return p;
}

// Groups of `width` bins share none when their centres lie `width` apart; the distances scale
// with the FFT length, so the gap says how much longer it must be.
ImdVerdict resolution(double gap, int width)
{
    ImdVerdict v;
    if (gap >= width)
        return v;
    v.withheld = ImdWithheld::Unresolved;
    v.lengthFactor = 0;
    if (gap < 1.0)
        return v;
    v.lengthFactor = 1;
    while (gap * v.lengthFactor < width)
        v.lengthFactor *= 2;
    return v;
}

// Smallest distance (bins) from groups[read] to the other groups.
double gapFrom(size_t read, const std::array<double, 5> &groups)
{
    double gap = INFINITY;
    for (size_t i = 0; i < groups.size(); ++i)
        if (i != read)
            gap = std::min(gap, std::fabs(groups[read] - groups[i]));
    return gap;
}

ImdVerdict withheldFor(ImdWithheld why)
{
    ImdVerdict v;
    v.withheld = why;
    return v;
}

} // namespace

ImdResult measureImd(const double *s, int m, int width, SpectrumLayout layout)
{
    ImdResult r;
    r.imd2 = r.imd3 = NAN;
    r.imd2Verdict = r.imd3Verdict = withheldFor(ImdWithheld::NoTone);
    if (!s || m <= 0)
        return r;
    r.noiseFloor = medianPower(s, m);
    const int p1 = firstLargest(s, 0, m - 1);
    r.tone1 = toneAt(s, m, p1, width, r.noiseFloor);
    const int p2 = secondTonePeak(s, m, p1);
    r.tone2 = toneAt(s, m, p2 < 0 ? 0 : p2, width, r.noiseFloor);

    // Products at signed frequencies, where sampling puts them.
    const double f1 = layout.signedBin(r.tone1.centroid, m);
    const double f2 = layout.signedBin(r.tone2.centroid, m);
    const double d = layout.alias(std::fabs(f2 - f1), m);
    const double a = layout.alias(2 * f2 - f1, m);
    const double b = layout.alias(2 * f1 - f2, m);
    r.difference = productAt(s, m, layout.storedBin(d, m), width);
    r.upper = productAt(s, m, layout.storedBin(a, m), width);
    r.lower = productAt(s, m, layout.storedBin(b, m), width);

    const double tones = r.tone1.power + r.tone2.power;
    if (!(tones > 0.0))
        return r;
    if (p2 < 0 || !(r.tone2.aboveNoise >= ImdToneClearanceDb)) {
        r.imd2Verdict = r.imd3Verdict = withheldFor(ImdWithheld::NoSecondTone);
        return r;
    }
    // A product group must clear the tones and the other products; the tones only each other,
    // the products being too weak to move them.
    const std::array<double, 5> groups{f1, f2, d, a, b};
    const double tonesGap = std::fabs(f2 - f1);
    r.imd2Verdict = resolution(std::min(tonesGap, gapFrom(2, groups)), width);
    r.imd3Verdict = resolution(std::min({tonesGap, gapFrom(3, groups), gapFrom(4, groups)}), width);
    if (r.imd2Verdict.shown())
        r.imd2 = 10.0 * std::log10(2.0 * r.difference.power / tones);
    if (r.imd3Verdict.shown())
        r.imd3 = 10.0 * std::log10((r.upper.power + r.lower.power) / tones);
    return r;
}
