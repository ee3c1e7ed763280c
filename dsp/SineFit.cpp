#include "dsp/SineFit.h"

#include "dsp/LargeArray.h"
#include "dsp/SpectrumEngine.h"
#include "dsp/Windows.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double TwoPi = 2.0 * M_PI;
// Samples between exact settings of the turning phasor: its rounding never builds up past one
// block, and each block's sums are added to the totals at its end, so that no sum of a
// million terms is kept in one running value.
constexpr size_t Block = 512;
constexpr int MaxIterations = 40;
// The frequency has settled when the last step moves the phase at the record's ends by less.
constexpr double SettledPhase = 1e-10;
// The tone's periodogram bin must stand this many times ln(n) over the residual's: pure noise
// reaches about ln(n) at its largest bin.
constexpr double ToneClearance = 20.0;
constexpr uint32_t MaxSpectrumSize = 1u << 20;

uint32_t powerOfTwoAtMost(size_t n, uint32_t cap)
{
    uint32_t m = 1;
    while (m <= cap / 2 && size_t(m) * 2 <= n)
        m *= 2;
    return m;
}

// Calls sample(i, c, s, psi) for i in 0 ... n-1 with c + i s = exp(i psi), psi = omega (i - centre)
// + phase reduced to 0 ... 2 pi, and flush() after every block. The phasor turns by one complex
// product a sample and is set from cos and sin at each block's start.
template <typename Sample, typename Flush>
void walkTone(size_t n, double omega, double phase, double centre, Sample &&sample, Flush &&flush)
{
    const double cw = std::cos(omega), sw = std::sin(omega);
    for (size_t b = 0; b < n; b += Block) {
        double psi = std::remainder(omega * (double(b) - centre) + phase, TwoPi);
        if (psi < 0)
            psi += TwoPi;
        double c = std::cos(psi), s = std::sin(psi);
        const size_t e = std::min(n, b + Block);
        for (size_t i = b; i < e; ++i) {
            sample(i, c, s, psi);
            const double next = c * cw - s * sw;
            s = s * cw + c * sw;
            c = next;
            psi += omega;
            if (psi >= TwoPi)
                psi -= TwoPi;
        }
        flush();
    }
}

// The model about the record's middle: a cos(w t) + b sin(w t) + dc, t = n - centre, which keeps
// the frequency's column (t times the slope) small and uncorrelated with the others.
struct Model {
    double a = 0.0, b = 0.0, dc = 0.0, omega = 0.0;
};

// The linearised least squares' sums: columns cos, sin, 1 and d = t / n (b cos - a sin) (the
// model's derivative by w, scaled), against the residual r.
struct Sums {
    double cc = 0, cs = 0, c1 = 0, cd = 0, ss = 0, s1 = 0, sd = 0, dd = 0, d1 = 0;
    double rc = 0, rs = 0, r1 = 0, rd = 0, rr = 0;

    Sums &operator+=(const Sums &o)
    {
        cc += o.cc, cs += o.cs, c1 += o.c1, cd += o.cd, ss += o.ss, s1 += o.s1, sd += o.sd;
        dd += o.dd, d1 += o.d1, rc += o.rc, rs += o.rs, r1 += o.r1, rd += o.rd, rr += o.rr;
        return *this;
    }
};

// Two doubles as one value (an SSE2 register): element-wise arithmetic on both.
typedef double Pair __attribute__((vector_size(2 * sizeof(double))));

inline double total(Pair v) { return v[0] + v[1]; }

// The sums over the record in one pass. Two phasors, on the even and the odd samples, turn by
// 2 omega a step, so that neither waits on the other's product and both fill one register;
// each block starts them from cos and sin, as walkTone does.
Sums sumsAt(const double *y, size_t n, const Model &m, double centre)
{
    Sums out;
    const double scale = 1.0 / double(n);
    const double cw = std::cos(2 * m.omega), sw = std::sin(2 * m.omega);
    const double a = m.a, b = m.b, dc = m.dc;
    for (size_t start = 0; start < n; start += Block) {
        const size_t end = std::min(n, start + Block);
        const double psi = m.omega * (double(start) - centre);
        Pair c = {std::cos(psi), std::cos(psi + m.omega)}, s = {std::sin(psi), std::sin(psi + m.omega)};
        Pair t = {(double(start) - centre) * scale, (double(start) + 1 - centre) * scale};
        const double step = 2 * scale;
        Pair cc = {}, cs = {}, c1 = {}, cd = {}, ss = {}, s1 = {}, sd = {}, dd = {}, d1 = {};
        Pair rc = {}, rs = {}, r1 = {}, rd = {}, rr = {};
        size_t i = start;
        for (; i + 2 <= end; i += 2) {
            const Pair v = {y[i], y[i + 1]};
            const Pair d = t * (b * c - a * s);
            const Pair r = v - a * c - b * s - dc;
            cc += c * c, cs += c * s, c1 += c, cd += c * d;
            ss += s * s, s1 += s, sd += s * d;
            dd += d * d, d1 += d;
            rc += r * c, rs += r * s, r1 += r, rd += r * d, rr += r * r;
            const Pair turned = c * cw - s * sw;
            s = s * cw + c * sw;
            c = turned;
            t += step;
        }
        Sums part{total(cc), total(cs), total(c1), total(cd), total(ss), total(s1), total(sd), total(dd),
                  total(d1), total(rc), total(rs), total(r1), total(rd), total(rr)};
        if (i < end) { // an odd block's last sample, on the even phasor
            const double ci = c[0], si = s[0];
            const double d = t[0] * (b * ci - a * si);
            const double r = y[i] - a * ci - b * si - dc;
            part += Sums{ci * ci, ci * si, ci, ci * d, si * si, si, si * d, d * d, d, r * ci, r * si, r, r * d, r * r};
        }
        out += part;
    }
    return out;
}

// Solves the first k rows and columns of g x = h by elimination with partial pivoting; false
// when singular.
bool solve(double g[4][4], double h[4], int k, double x[4])
{
    for (int col = 0; col < k; ++col) {
        int pivot = col;
        for (int row = col + 1; row < k; ++row)
            if (std::abs(g[row][col]) > std::abs(g[pivot][col]))
                pivot = row;
        if (!(std::abs(g[pivot][col]) > 0))
            return false;
        std::swap(g[pivot], g[col]);
        std::swap(h[pivot], h[col]);
        for (int row = col + 1; row < k; ++row) {
            const double f = g[row][col] / g[col][col];
            for (int j = col; j < k; ++j)
                g[row][j] -= f * g[col][j];
            h[row] -= f * h[col];
        }
    }
    for (int row = k - 1; row >= 0; --row) {
        double v = h[row];
        for (int j = row + 1; j < k; ++j)
            v -= g[row][j] * x[j];
        x[row] = v / g[row][row];
    }
    return std::isfinite(x[0]);
}

// One block of m samples through the engine at unit scale and rate (frequencies in cycles per
// sample), with the window that keeps a tone's leakage lowest; the caller ends the block.
void analyseAtUnitScale(SpectrumEngine &engine, const double *x, uint32_t m, SpectrumMeasurements &found)
{
    SpectrumSettings settings;
    settings.fftSize = m;
    settings.windowType = WindowBlackmanHarris4;
    settings.harmonicCount = 1;
    engine.beginBlock(settings, 1, false);
    engine.analyseSamples(0, x, nullptr, 1.0, 1000.0, 1.0, found);
}

// The strongest tone of the record's first power of two of samples (mean removed, so that an
// offset does not hide it), in bins of that transform; size 0 when the samples hold no power.
struct Peak {
    double bin = 0.0;
    uint32_t size = 0;
};

Peak spectralPeak(const double *y, size_t n)
{
    const uint32_t m = powerOfTwoAtMost(n, std::numeric_limits<uint32_t>::max() / 2 + 1);
    double mean = 0.0;
    for (uint32_t i = 0; i < m; ++i)
        mean += y[i];
    mean /= m;
    LargeArray<double> centred = largeArray<double>(m);
    for (uint32_t i = 0; i < m; ++i)
        centred[i] = y[i] - mean;
    SpectrumEngine engine;
    SpectrumMeasurements found;
    analyseAtUnitScale(engine, centred.get(), m, found);
    engine.endBlock();
    if (!(found.totalRms > 0))
        return {};
    return {found.fundamentalFrequency * m, m};
}

} // namespace

double SineFit::cyclesPerSample() const { return omega / TwoPi; }

const char *sineFitStatusName(SineFitStatus status)
{
    switch (status) {
    case SineFitStatus::Ok: return "ok";
    case SineFitStatus::TooShort: return "too-short";
    case SineFitStatus::NoTone: return "no-tone";
    case SineFitStatus::FewPeriods: return "few-periods";
    case SineFitStatus::NearNyquist: return "near-nyquist";
    case SineFitStatus::NoConvergence: return "no-convergence";
    }
    return "";
}

SineFit fitSine(const double *y, size_t n, double fullScaleRange)
{
    SineFit fit;
    fit.sampleCount = n;
    if (!y || n < SineFitMinSamples)
        return fit;
    const Peak peak = spectralPeak(y, n);
    if (peak.size == 0) {
        fit.status = SineFitStatus::NoTone;
        return fit;
    }
    if (peak.bin < 2.0) {
        fit.status = SineFitStatus::FewPeriods;
        return fit;
    }
    if (peak.bin > peak.size / 2.0 - 2.0) {
        fit.status = SineFitStatus::NearNyquist;
        return fit;
    }
    const double centre = 0.5 * double(n - 1);
    Model m;
    m.omega = TwoPi * peak.bin / peak.size;
    Sums sums;
    bool settled = false;
    for (int it = 0; it < MaxIterations && !settled; ++it) {
        sums = sumsAt(y, n, m, centre);
        double g[4][4] = {{sums.cc, sums.cs, sums.c1, sums.cd},
                          {sums.cs, sums.ss, sums.s1, sums.sd},
                          {sums.c1, sums.s1, double(n), sums.d1},
                          {sums.cd, sums.sd, sums.d1, sums.dd}};
        double h[4] = {sums.rc, sums.rs, sums.r1, sums.rd};
        double x[4] = {};
        // The first step fits a, b and dc at the spectrum's frequency: with no amplitude yet the
        // frequency's column is zero.
        const bool withFrequency = it > 0;
        if (!solve(g, h, withFrequency ? 4 : 3, x))
            break;
        m.a += x[0], m.b += x[1], m.dc += x[2];
        if (withFrequency)
            m.omega += x[3] / double(n);
        fit.iterations = it + 1;
        if (it == 0) {
            // The tone at the spectrum's peak must stand clear of what it leaves: noise alone
            // is no tone, wherever the frequency steps would wander on it.
            const double left = sumsAt(y, n, m, centre).rr / double(n);
            const double tone = double(n) * (m.a * m.a + m.b * m.b) / 4.0;
            if (!(tone > ToneClearance * std::log(double(n)) * left)) {
                fit.status = SineFitStatus::NoTone;
                return fit;
            }
        }
        if (!(m.omega > 0 && m.omega < M_PI))
            break;
        settled = withFrequency && std::abs(x[3]) < SettledPhase;
    }
    // The last sums were taken before the last step; once settled, that step changes them by
    // its square.
    const double meanSquare = sums.rr / double(n);
    // The tone's periodogram bin against the residual's: noise alone wanders without settling,
    // and is no tone rather than a fit that failed.
    const double toneBin = double(n) * (m.a * m.a + m.b * m.b) / 4.0;
    const bool clears = toneBin > ToneClearance * std::log(double(n)) * meanSquare;
    if (!settled || !clears) {
        fit.status = clears ? SineFitStatus::NoConvergence : SineFitStatus::NoTone;
        return fit;
    }
    fit.amplitude = std::hypot(m.a, m.b);
    fit.omega = m.omega;
    fit.phase = std::remainder(std::atan2(-m.b, m.a) - m.omega * centre, TwoPi);
    fit.offset = m.dc;
    fit.residualRms = std::sqrt(meanSquare);
    fit.sinad = 10.0 * std::log10(fit.amplitude * fit.amplitude / 2.0 / meanSquare);
    fit.enob = fullScaleRange > 0 ? std::log2(fullScaleRange / (std::sqrt(12.0) * fit.residualRms)) : NAN;
    fit.status = SineFitStatus::Ok;
    return fit;
}

namespace {

// Calls f(i, residual, c, s, psi) for every sample, psi being the fitted phase.
template <typename F> void walkResidual(const double *y, size_t n, const SineFit &fit, F &&f)
{
    walkTone(
        n, fit.omega, fit.phase, 0.0,
        [&](size_t i, double c, double s, double psi) { f(i, y[i] - fit.amplitude * c - fit.offset, c, s, psi); },
        [] {});
}

} // namespace

std::vector<CodeResidual> residualByCode(const double *y, size_t n, const SineFit &fit)
{
    if (!fit.ok() || !y || n == 0)
        return {};
    const double first = std::round(fit.offset - fit.amplitude);
    const double span = std::round(fit.offset + fit.amplitude) - first + 1;
    double width = 1;
    while (span / width > double(1 << 20))
        width *= 2;
    const size_t binCount = size_t(std::ceil(span / width));
    std::vector<double> sums(binCount);
    std::vector<uint64_t> counts(binCount);
    walkResidual(y, n, fit, [&](size_t i, double r, double, double, double) {
        const double code = std::round(y[i] - r) - first; // the fitted value's code
        const size_t k = std::min(binCount - 1, size_t(std::max(0.0, code) / width));
        sums[k] += r;
        ++counts[k];
    });
    std::vector<CodeResidual> out;
    for (size_t k = 0; k < binCount; ++k)
        if (counts[k] > 0)
            out.push_back({first + double(k) * width, sums[k] / double(counts[k]), counts[k]});
    return out;
}

PhaseResidual residualByPhase(const double *y, size_t n, const SineFit &fit, int bins)
{
    PhaseResidual out;
    if (!fit.ok() || !y || n == 0 || bins < 4)
        return out;
    const size_t k = size_t(bins);
    std::vector<double> sums(k), squares(k);
    double fourth = 0.0; // sum of r^4: how much the squares scatter
    out.count.assign(k, 0);
    const double perBin = double(bins) / TwoPi;
    walkResidual(y, n, fit, [&](size_t, double r, double, double, double psi) {
        const size_t j = std::min(k - 1, size_t(psi * perBin));
        sums[j] += r;
        squares[j] += r * r;
        fourth += r * r * r * r;
        ++out.count[j];
    });
    out.mean.resize(k);
    out.rms.resize(k);
    // The bins' mean squares against 1, cos 2 psi and sin 2 psi, weighted by their counts:
    // v(psi) = floor + amp cos^2 psi + slope sin^2 psi is level + (amp - slope) / 2 cos 2 psi.
    double g[4][4] = {}, h[4] = {}, x[4] = {};
    double meanSquare = 0.0;
    for (size_t j = 0; j < k; ++j) {
        meanSquare += squares[j] / double(n);
        const double w = double(out.count[j]);
        if (w == 0)
            continue;
        out.mean[j] = sums[j] / w;
        out.rms[j] = std::sqrt(squares[j] / w);
        const double psi = (double(j) + 0.5) / perBin;
        const double column[3] = {1.0, std::cos(2 * psi), std::sin(2 * psi)};
        for (int a = 0; a < 3; ++a) {
            h[a] += column[a] * squares[j];
            for (int b = 0; b < 3; ++b)
                g[a][b] += w * column[a] * column[b];
        }
    }
    // What the cos 2 psi column tells apart from the constant one (before the solve rewrites g).
    const double information = g[1][1] - (g[0][0] > 0 ? g[0][1] * g[0][1] / g[0][0] : 0.0);
    if (!solve(g, h, 3, x))
        return out;
    // At the peaks (cos^2 = 1) the mean square is level + half; at the crossings level - half.
    // On pure additive noise `half` still scatters about zero by the squares' own spread (a few
    // per cent of the noise on a million samples), which would read as amplitude noise or jitter
    // that is not there: a split within three standard errors of zero is reported as none. The
    // spread is the squares' own, or how far the bins stray from the fitted curve where that is
    // more: a coherent tone repeats the same few phases, whose quantisation errors are no
    // independent samples.
    const double level = x[0];
    double scatter = 0.0, used = 0.0;
    for (size_t j = 0; j < k; ++j) {
        const double w = double(out.count[j]);
        if (w == 0)
            continue;
        const double psi = (double(j) + 0.5) / perBin;
        const double off = squares[j] / w - (x[0] + x[1] * std::cos(2 * psi) + x[2] * std::sin(2 * psi));
        scatter += w * off * off;
        ++used;
    }
    const double binVariance = used > 3 ? scatter / (used - 3) : 0.0;
    const double squareVariance = std::max(fourth / double(n) - meanSquare * meanSquare, binVariance);
    const double halfError = std::sqrt(std::max(0.0, squareVariance) / std::max(information, 1.0));
    const double half = std::abs(x[1]) > 3.0 * halfError ? x[1] : 0.0;
    out.additiveRms = std::sqrt(std::max(0.0, level - std::abs(half)));
    out.signalRms = std::sqrt(std::max(0.0, half));
    out.slopeRms = std::sqrt(std::max(0.0, -half));
    // The peak variance of each part is twice its mean square over the phases.
    out.relativeNoise = std::sqrt(2.0) * out.signalRms / fit.amplitude;
    out.jitterSamples = std::sqrt(2.0) * out.slopeRms / (fit.amplitude * fit.omega);
    return out;
}

ResidualSpectrum residualSpectrum(const double *y, size_t n, const SineFit &fit)
{
    ResidualSpectrum out;
    if (!fit.ok() || !y || n < SineFitMinSamples)
        return out;
    const uint32_t m = powerOfTwoAtMost(n, MaxSpectrumSize);
    LargeArray<double> residual = largeArray<double>(m);
    walkResidual(y, m, fit, [&](size_t i, double r, double, double, double) { residual[i] = r; });
    SpectrumEngine engine;
    SpectrumMeasurements unused;
    analyseAtUnitScale(engine, residual.get(), m, unused);
    const double *power = engine.spectrum(0);
    const double tone = fit.amplitude * fit.amplitude / 2.0;
    out.size = m;
    out.dbc.resize(size_t(engine.binCount()));
    for (size_t j = 0; j < out.dbc.size(); ++j)
        out.dbc[j] = 10.0 * std::log10(std::max(power[j], 1e-300) / tone);
    engine.endBlock();
    return out;
}
