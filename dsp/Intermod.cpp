#include "dsp/Intermod.h"

#include "dsp/ToneCentroid.h"

#include <cmath>

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

// Tone groups are never wrapped: a tone at one end of a complex spectrum is not the same tone as
// one at the other end.
ImdTone toneAt(const double *s, int m, int bin, int width)
{
    ImdTone tone;
    tone.bin = bin;
    toneCentroid(s, m, bin, width, false, tone.centroid, tone.power);
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

} // namespace

ImdResult measureImd(const double *s, int m, int width, SpectrumLayout layout)
{
    ImdResult r;
    r.imd2 = r.imd3 = NAN;
    if (!s || m <= 0)
        return r;
    const int p1 = firstLargest(s, 0, m - 1);
    r.tone1 = toneAt(s, m, p1, width);

    // The second tone is the largest beyond the valley on either side of the first; a side
    // that falls all the way to its end holds none (value 0 at bin 0).
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
    const int p2 = leftValue > rightValue ? left : right;
    r.tone2 = toneAt(s, m, p2 < 0 ? 0 : p2, width);

    // Products at signed frequencies; a real spectrum folds negative ones back.
    const double f1 = layout.signedBin(r.tone1.centroid, m);
    const double f2 = layout.signedBin(r.tone2.centroid, m);
    auto place = [&](double f) {
        return layout.isComplex ? layout.storedBin(f, m) : std::fabs(f);
    };
    r.difference = productAt(s, m, place(std::fabs(f2 - f1)), width);
    r.upper = productAt(s, m, place(2 * f2 - f1), width);
    r.lower = productAt(s, m, place(2 * f1 - f2), width);

    const double tones = r.tone1.power + r.tone2.power;
    if (tones > 0.0) {
        r.imd2 = 10.0 * std::log10(2.0 * r.difference.power / tones);
        r.imd3 = 10.0 * std::log10((r.upper.power + r.lower.power) / tones);
    }
    return r;
}
