#include "dsp/Dynamics.h"

#include "dsp/Scan.h"
#include "dsp/ToneCentroid.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr int kMinHarmonicGuard = 6;  // bins kept clear around the fundamental
// The window's own sidelobes carry the tone for several main lobes on each side, above the
// quantisation floor of a 16-bit converter; the noise estimate stays clear of them, but never
// takes more than a quarter of the spectrum.
constexpr int kLeakageLobes = 8;
constexpr int kLeakageShareOfSpectrum = 4;
constexpr int kHarmonicHalfBand = 5;  // a harmonic's power is taken over its bin +-5
constexpr int kNoiseWalkStart = 6;    // the noise walk starts after this bin
constexpr int kSignalCore = 3;        // bins on each side of the peak that always count as signal
constexpr double kSkirtFall = 10.0;   // the signal skirt follows a fall steeper than this per bin
constexpr long kNoiseSegments = 32;   // the noise density is followed over this many stretches
constexpr long kMinSegmentBins = 64;  // ... each at least this wide
constexpr long kMinCountedBins = 16;  // a stretch's density rests on at least this many bins
constexpr double kNoSpur = -200.0;    // dBc of the worst spur when no bin is left to search

// Range sums and peak searches over the spectrum, through the chunk summary when there is one.
struct Bins {
    const double *s;
    const BinSummary *summary;

    double sum(long from, long to) const
    {
        if (to <= from)
            return 0.0;
        return summary ? summary->sum(from, to) : sumRange(s, from, to);
    }
    // First bin of the largest value over [from, to), running maximum from best, strict.
    void peak(long from, long to, double &best, long &index) const
    {
        const long found = summary ? summary->firstMax(from, to, best)
                                   : firstMaxIndex(s, from, to, best);
        if (found >= 0)
            index = found;
    }
};

// The noise floor as a density that may change over the spectrum (a filtered record's noise
// lies in the filter's pass band, a converter's often rises towards DC): the counted bins are
// summed per stretch, and the bins left out (the tone's guard, the harmonic bands) are credited
// with the density of their own stretch. With one global mean, leaving out bands where the
// noise is strong would read the noise low.
class NoiseFloor {
public:
    NoiseFloor(const Bins &bins, long m)
        : m_bins(bins), m_m(m), m_stretches(std::clamp(m / kMinSegmentBins, 1L, kNoiseSegments))
    {
    }

    // Bins [from, to) are never counted (the DC offset's own lines), only credited by the
    // floor like the other bins left out.
    void exclude(long from, long to)
    {
        m_excludeFrom = from;
        m_excludeTo = to;
    }

    // Counts the bins [from, to) as noise.
    void add(long from, long to)
    {
        if (from < m_excludeTo && m_excludeFrom < to) {
            add(from, m_excludeFrom);
            add(m_excludeTo, to);
            return;
        }
        from = std::max(from, 0L);
        to = std::min(to, m_m);
        while (from < to) {
            const long k = stretchOf(from);
            const long end = std::min(to, stretchStart(k + 1));
            m_sum[k] += m_bins.sum(from, end);
            m_count[k] += end - from;
            from = end;
        }
    }

    // Densities from the counts; a stretch with too few counted bins borrows its neighbours'.
    // The stretches that reach into [skipFrom, skipTo) (the tone's guard) always borrow: what
    // they count beside the guard is still the window's leakage of the tone, not noise.
    void settle(long skipFrom, long skipTo)
    {
        bool skip[kNoiseSegments] = {};
        long skipped = 0;
        for (long k = 0; k < m_stretches; ++k) {
            skip[k] = stretchStart(k) < skipTo && skipFrom < stretchStart(k + 1);
            skipped += skip[k];
        }
        if (skipped == m_stretches)
            std::fill(skip, skip + m_stretches, false);
        for (long k = 0; k < m_stretches; ++k) {
            double sum = 0.0;
            long count = 0;
            for (long r = 0; count < kMinCountedBins && r < m_stretches; ++r) {
                for (long j : {k - r, k + r}) {
                    if (j >= 0 && j < m_stretches && !skip[j] && (r > 0 || j == k - r)) {
                        sum += m_sum[j];
                        count += m_count[j];
                    }
                }
            }
            m_density[k] = count > 0 ? sum / count : 0.0;
        }
    }

    // The noise the bins [from, to) hold by the floor.
    double expected(long from, long to) const
    {
        from = std::max(from, 0L);
        to = std::min(to, m_m);
        double total = 0.0;
        while (from < to) {
            const long k = stretchOf(from);
            const long end = std::min(to, stretchStart(k + 1));
            total += m_density[k] * double(end - from);
            from = end;
        }
        return total;
    }

private:
    long stretchOf(long bin) const { return bin * m_stretches / m_m; }
    // The first bin of stretch k (ceil(k m / S)).
    long stretchStart(long k) const { return (k * m_m + m_stretches - 1) / m_stretches; }

    const Bins &m_bins;
    long m_m;
    long m_stretches;
    long m_excludeFrom = 0, m_excludeTo = 0;
    double m_sum[kNoiseSegments] = {};
    long m_count[kNoiseSegments] = {};
    double m_density[kNoiseSegments] = {};
};

// The tone and its skirt: the core bins, then further bins while the spectrum keeps falling
// by more than a factor of ten per bin away from the peak.
void signalBand(const double *s, long m, long peak, long &lo, long &hi)
{
    lo = std::max(peak - kSignalCore, 0L);
    for (long j = lo - 1; j >= 0 && s[j] != 0.0 && s[j + 1] / s[j] > kSkirtFall; --j)
        lo = j;
    hi = std::min(peak + kSignalCore, m - 1);
    for (long j = hi + 1; j < m && s[j] != 0.0 && s[j - 1] / s[j] > kSkirtFall; ++j)
        hi = j;
}

// The largest bin of [from, to) outside the DC band, the fundamental's guard [guardFrom,
// guardTo) and the harmonics' bands of +-halfBand bins; -1 when none holds any power.
long largestOtherLine(const Bins &bins, long from, long to, std::pair<long, long> dc, long guardFrom,
                      long guardTo, const double *harmonicPositions, long harmonicCount, long halfBand)
{
    std::pair<long, long> skipped[MaxHarmonics + 2];
    long count = 0;
    skipped[count++] = dc;
    skipped[count++] = {guardFrom, guardTo};
    for (long t = 0; t < harmonicCount; ++t) {
        const long c = long(std::floor(harmonicPositions[t] + 0.5));
        skipped[count++] = {c - halfBand, c + halfBand + 1};
    }
    std::sort(skipped, skipped + count);
    double best = 0.0;
    long index = -1;
    for (long k = 0; k < count; ++k) {
        bins.peak(from, std::min(skipped[k].first, to), best, index);
        from = std::max(from, skipped[k].second);
    }
    bins.peak(from, to, best, index);
    return index;
}

// The worst spur's level and frequency: the power of its main lobe and one bin beyond, less
// the noise the floor puts there, against the tone's; its frequency power-weighted over the
// main lobe.
void measureSpur(const DynamicsInputs &in, const Bins &bins, const NoiseFloor &floor, long m,
                 long at, double signal, double fs, DatasheetFigures &d)
{
    d.spurLevel = kNoSpur;
    if (at < 0)
        return;
    const long half = in.mainLobeWidth / 2 + 1;
    const long lo = std::max(at - half, 0L), hi = std::min(at + half + 1, m);
    const double power = bins.sum(lo, hi) - floor.expected(lo, hi);
    double centre = double(at), unused = 0.0;
    toneCentroid(bins.s, int(m), double(at), in.mainLobeWidth, in.isComplex, centre, unused);
    if (power > 0.0)
        d.spurLevel = std::max(kNoSpur, 10.0 * std::log10(power / signal));
    d.spurFrequency = centre * fs / in.fftSize;
}

} // namespace

DynamicsResult measureDynamics(const DynamicsInputs &in)
{
    DynamicsResult out;
    const double *s = in.spectrum;
    const long n = in.harmonicCount;
    if (!s || in.fftSize < 2 || n > MaxHarmonics || n < 0)
        return out;
    const long fftSize = in.fftSize;
    const long m = in.isComplex ? fftSize : fftSize / 2;
    const double fs = in.sampleRate > 0.0 && std::isfinite(in.sampleRate) ? in.sampleRate : 1.0;
    double k0 = fftSize * in.toneFrequency / fs;
    if (!std::isfinite(k0))
        k0 = 0.0;
    const long dcGuard = in.mainLobeWidth / 2 + 1;
    // Where DC lies: the first bins; for I/Q also the last (its negative side), or the middle
    // of a centred spectrum. A converter's offset (an I/Q mixer's carrier leak) is no tone, no
    // spur and no noise.
    const bool centred = in.isComplex && in.isCentred;
    const long half = centred ? m / 2 : 0;

    const Bins bins{s, in.summary};
    double total = bins.sum(0, m);
    // The largest bin of [from, to) outside the DC guard, running maximum from best.
    const auto peakBesideDc = [&](long from, long to, double &best, long &index) {
        if (centred) {
            bins.peak(from, std::min(to, half - dcGuard + 1), best, index);
            bins.peak(std::max(from, half + dcGuard), to, best, index);
        } else {
            bins.peak(std::max(from, dcGuard), std::min(to, in.isComplex ? m - dcGuard : m), best, index);
        }
    };
    double peakValue = 0.0;
    long peak = 0;
    peakBesideDc(0, m, peakValue, peak);

    if (!(total > 0.0))
        return out;

    const double exclusionBins = std::floor(in.exclusionHz * fftSize / fs + 0.5);
    long exclusion = std::isfinite(exclusionBins) ? long(std::clamp(exclusionBins, 0.0, double(m))) : 0;
    if (exclusion < dcGuard)
        exclusion = dcGuard;

    // Largest spur outside the excluded band and the DC guard.
    double spurValue = 0.0;
    long spur = 0;
    peakBesideDc(0, peak - exclusion, spurValue, spur);
    peakBesideDc(peak + exclusion + 1, m, spurValue, spur);

    long lo, hi;
    signalBand(s, m, peak, lo, hi);
    const double signal = bins.sum(lo, hi + 1);
    const std::pair<long, long> dcBand =
        centred ? std::pair<long, long>{half - dcGuard + 1, half + dcGuard} : std::pair<long, long>{0, dcGuard};
    if (lo >= dcBand.second || hi < dcBand.first)
        total -= bins.sum(dcBand.first, dcBand.second);

    // Harmonic k sits at k*k0 modulo N; above the Nyquist bin of a real signal it folds back.
    // A centred spectrum's harmonics are multiples of the tone's offset from DC, not from its
    // first bin.
    const double k0FromDc = centred ? k0 - double(half) : k0;
    double positions[MaxHarmonics];
    for (long t = 0; t < n; ++t) {
        const double r = (t + 2) * k0FromDc / fftSize;
        double x = (r - std::floor(r)) * fftSize;
        if (x > m)
            x = fftSize - x;
        if (centred)
            x = x >= double(half) ? x - double(half) : x + double(half);
        positions[t] = x;
    }
    int order[MaxHarmonics];
    for (long t = 0; t < n; ++t)
        order[t] = int(t);
    if (centred || (n + 1) * k0 > m) {
        for (long a = 0; a + 1 < n; ++a)
            for (long b = a + 1; b < n; ++b)
                if (positions[order[b]] < positions[order[a]])
                    std::swap(order[a], order[b]);
    }

    double roundedTone = std::floor(k0 + 0.5);
    if (roundedTone == m)
        roundedTone = in.isComplex ? 0 : m - 1;
    // A tone frequency outside the spectrum must not make the levels read past it.
    const long b0 = long(std::clamp(roundedTone, 0.0, double(m - 1)));
    const long leakage = std::min<long>(long(kLeakageLobes) * in.mainLobeWidth, m / kLeakageShareOfSpectrum);
    const long guard = std::max({long(kMinHarmonicGuard), exclusion, leakage});
    const long loF = std::max(b0 - guard, 0L);
    const long hiF = loF + 2 * guard;

    // Walk the harmonic bands in position order; the gaps between them are the noise floor.
    // The walk leaves out the first bins; an I/Q spectrum's other DC bins are left out here.
    NoiseFloor floor(bins, m);
    if (centred)
        floor.exclude(half - kNoiseWalkStart, half + kNoiseWalkStart + 1);
    else if (in.isComplex)
        floor.exclude(m - kNoiseWalkStart, m);
    double harmonics = 0.0;
    long noiseBins = 0, previousEnd = kNoiseWalkStart;
    long bandFrom[MaxHarmonics], bandTo[MaxHarmonics];
    for (long t = 0; t < n; ++t) {
        long c = long(std::floor(positions[t] + 0.5));
        if (c == m)
            c = m - 1;
        out.harmonicLevels[t] = 10.0 * std::log10(s[b0] / s[c]);

        long h = std::max(long(std::floor(positions[order[t]] + 0.5)) - kHarmonicHalfBand, 0L);
        long e = h + 2 * kHarmonicHalfBand;
        if (h <= previousEnd)
            h = previousEnd + 1;
        if (h <= hiF) {
            const long h0 = h;
            if (h0 >= loF)
                h = hiF + 1;
            if (loF <= e && e <= hiF)
                e = loF - 1;
        }
        // The gap runs up to the band, or stops where the fundamental band begins.
        const long start = previousEnd + 1;
        long stop = std::min(h, m);
        if (start <= hiF)
            stop = std::min(stop, std::max(start, loF));
        floor.add(start, stop);
        noiseBins += std::max(stop - start, 0L);
        if (e >= m)
            e = m - 1;
        harmonics += bins.sum(h, e + 1);
        bandFrom[t] = h;
        bandTo[t] = e + 1;
        previousEnd = e;
    }

    if (noiseBins > 0) {
        floor.add(previousEnd + 1, std::min(peak - guard, m));
        floor.add(std::max(previousEnd + 1, peak + guard + 1), m);
    } else {
        floor.add(previousEnd + 1, std::min(loF, m));
        floor.add(hiF + 1, m);
    }
    floor.settle(std::min(peak, b0) - guard, std::max(peak, b0) + guard + 1);
    const double noisePower = floor.expected(0, m);
    double bandNoise = 0.0;
    for (long t = 0; t < n; ++t)
        bandNoise += floor.expected(bandFrom[t], bandTo[t]);

    // SINAD rests on the same noise as SNR, plus what the harmonic bands hold above that noise:
    // it can never read better than SNR, and noise alone does not count twice.
    const double rest = noisePower + std::max(0.0, harmonics - bandNoise);
    out.measured = true;
    out.thd = harmonics > 0.0 ? 10.0 * std::log10(harmonics / signal) : -200.0;
    out.snr = noisePower > 0.0 ? 10.0 * std::log10(signal / noisePower) : 200.0;
    out.sinad = rest > 0.0 ? 10.0 * std::log10(signal / rest) : 200.0;
    out.enob = (out.sinad - 1.76) / 6.02;
    out.sfdr = 10.0 * std::log10(s[peak] / s[spur]);
    std::copy(positions, positions + n, out.harmonicBins);
    out.signalPower = signal;
    out.totalPower = total;

    // A harmonic's band reaches as far as the window's main lobe, so that its skirt never reads
    // as the worst spur.
    DatasheetFigures &d = out.datasheet;
    const long halfBand = std::max<long>(kHarmonicHalfBand, in.mainLobeWidth);
    const long spurFrom = centred ? 0 : dcGuard, spurTo = in.isComplex && !centred ? m - dcGuard : m;
    measureSpur(in, bins, floor, m,
                largestOtherLine(bins, spurFrom, spurTo, centred ? dcBand : std::pair<long, long>{0, 0},
                                 std::min(peak, b0) - guard, std::max(peak, b0) + guard + 1, positions, n,
                                 halfBand),
                signal, fs, d);
    // dB from the measured tone up to the full-scale one. The noise sum spans the analysed
    // band: 0 .. fs/2 for a real record, the whole fs (both sides of DC) for an I/Q record.
    const double toFullScale = in.fullScalePower > 0.0 && std::isfinite(in.fullScalePower)
                                   ? 10.0 * std::log10(in.fullScalePower / signal)
                                   : std::numeric_limits<double>::quiet_NaN();
    d.snr = out.snr + toFullScale;
    d.sinad = out.sinad + toFullScale;
    d.noiseDensity = -d.snr - 10.0 * std::log10(in.isComplex ? fs : fs / 2.0);
    d.spurLevelFs = d.spurLevel - toFullScale;
    return out;
}
