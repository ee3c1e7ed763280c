#include "sources/generator/Synthesis.h"

#include <cmath>

void addTone(double *out, size_t n, uint64_t first, double omega, double phase,
             double amplitude, bool quantise)
{
    for (size_t i = 0; i < n; ++i) {
        const double v = std::sin(double(first + i) * omega + phase) * amplitude;
        out[i] += quantise ? std::floor(v + 0.5) : v;
    }
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
