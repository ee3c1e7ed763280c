#include "sources/generator/Synthesis.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr size_t kRestartEvery = 1024; // samples between exact restarts of the rotation
constexpr int kPairs = 2;              // pairs of phasors a sample apart, turned together
constexpr int kLanes = 2 * kPairs;

// Two doubles as one value (an SSE2 register): element-wise arithmetic on both.
typedef double Pair __attribute__((vector_size(2 * sizeof(double))));
typedef long long PairMask __attribute__((vector_size(2 * sizeof(long long))));

// The tone's phase at `index`, formed in long double so that a restart far into a long record
// is still exact to the last bit of the double sine.
void phasorAt(uint64_t index, double omega, double phase, double &re, double &im)
{
    const long double angle = static_cast<long double>(index) * omega + phase;
    re = double(std::cos(angle));
    im = double(std::sin(angle));
}

// floor(v + 0.5) for |v| < 2^51 without a branch: the magic constant rounds to the nearest
// integer, and a result above v + 0.5 steps down by one.
inline Pair roundHalfUp(Pair v)
{
    const Pair x = v + 0.5;
    const Pair r = (x + 0x1.8p52) - 0x1.8p52;
    const Pair one = {1.0, 1.0};
    return r - (Pair)((PairMask)(r > x) & (PairMask)one);
}

template <bool Quantise>
void addRotated(double *out, size_t n, uint64_t first, double omega, double phase,
                double amplitude)
{
    // One complex multiply a sample instead of a sine: each lane's phasor turns by
    // e^(i kLanes omega) per step. Rounding grows with the steps, so every kRestartEvery
    // samples the lanes restart from the exact phase (within 1e-13 of the sine).
    Pair laneRe[kPairs], laneIm[kPairs];
    for (int j = 0; j < kLanes; ++j) {
        laneRe[j / 2][j % 2] = std::cos(j * omega);
        laneIm[j / 2][j % 2] = std::sin(j * omega);
    }
    const double turnRe = std::cos(kLanes * omega), turnIm = std::sin(kLanes * omega);
    auto level = [amplitude](Pair im) { return Quantise ? roundHalfUp(im * amplitude) : im * amplitude; };
    for (size_t start = 0; start < n; start += kRestartEvery) {
        const size_t end = std::min(n, start + kRestartEvery);
        double c, s;
        phasorAt(first + start, omega, phase, c, s);
        Pair re[kPairs], im[kPairs];
        for (int p = 0; p < kPairs; ++p) {
            re[p] = c * laneRe[p] - s * laneIm[p];
            im[p] = s * laneRe[p] + c * laneIm[p];
        }
        size_t i = start;
        for (; i + kLanes <= end; i += kLanes) {
            for (int p = 0; p < kPairs; ++p) {
                Pair sum;
                std::memcpy(&sum, out + i + 2 * p, sizeof sum);
                sum += level(im[p]);
                std::memcpy(out + i + 2 * p, &sum, sizeof sum);
                const Pair turned = re[p] * turnRe - im[p] * turnIm;
                im[p] = re[p] * turnIm + im[p] * turnRe;
                re[p] = turned;
            }
        }
        for (int j = 0; i < end; ++i, ++j)
            out[i] += level(im[j / 2])[j % 2];
    }
}

} // namespace

void addTone(double *out, size_t n, uint64_t first, double omega, double phase,
             double amplitude, bool quantise)
{
    if (quantise)
        addRotated<true>(out, n, first, omega, phase, amplitude);
    else
        addRotated<false>(out, n, first, omega, phase, amplitude);
}

void addWhiteNoise(double *out, size_t n, double rms, std::mt19937_64 &random, bool quantise)
{
    if (rms <= 0.0)
        return;
    std::normal_distribution<double> gauss(0.0, rms);
    for (size_t i = 0; i < n; ++i) {
        const double v = gauss(random);
        out[i] += quantise ? std::nearbyint(v) : v;
    }
}
