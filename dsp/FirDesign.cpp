#include "dsp/FirDesign.h"

#include <algorithm>
#include <cmath>
#include <vector>

double besselI0(double x)
{
    // sum ((x/2)^k / k!)^2: every term is positive, so the sum is exact to rounding.
    const double q = 0.25 * x * x;
    double term = 1.0, sum = 1.0;
    for (int k = 1; k < 1000; ++k) {
        term *= q / (double(k) * double(k));
        sum += term;
        if (term < 1e-17 * sum)
            break;
    }
    return sum;
}

int firWindow(int window, double beta, double *w, int n)
{
    if (n < 1 || window < FirRectangular || window > FirKaiser || !(beta >= 0.0 && beta <= 700.0))
        return -1;
    if (n == 1) {
        w[0] = 1.0;
        return 0;
    }
    const double m = n - 1;
    const double i0Beta = window == FirKaiser ? besselI0(beta) : 1.0;
    for (int k = 0; k < n; ++k) {
        const double phase = 2.0 * M_PI * k / m;
        switch (window) {
        case FirRectangular:
            w[k] = 1.0;
            break;
        case FirTriangular:
            // Non-zero ends, so that no tap is wasted.
            w[k] = 1.0 - std::fabs(2.0 * k - m) / (m + 2.0);
            break;
        case FirHann:
            w[k] = 0.5 - 0.5 * std::cos(phase);
            break;
        case FirHamming:
            w[k] = 0.54 - 0.46 * std::cos(phase);
            break;
        case FirBlackman:
            w[k] = 0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2.0 * phase);
            break;
        default: {
            const double r = (2.0 * k - m) / m;
            w[k] = besselI0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / i0Beta;
        }
        }
    }
    // Exactly symmetric, whatever the cosines rounded to.
    for (int k = 0; k < n / 2; ++k)
        w[n - 1 - k] = w[k];
    return 0;
}

namespace {

// Windowed ideal low-pass with cut-off fc (cycles per sample), scaled to unit gain at DC.
void lowPass(double fc, const double *w, int taps, double *h)
{
    const int mid = taps / 2;
    double sum = 0.0;
    for (int k = 0; k < taps; ++k) {
        const double t = k - mid;
        const double ideal = t == 0 ? 2.0 * fc : std::sin(2.0 * M_PI * fc * t) / (M_PI * t);
        h[k] = ideal * w[k];
        sum += h[k];
    }
    for (int k = 0; k < taps; ++k)
        h[k] /= sum;
}

} // namespace

int designFir(int band, double fs, double f1, double f2, int taps, int window, double beta,
              double *h)
{
    const bool twoEdges = band == BandPass || band == BandStop;
    if (band < BandLowPass || band > BandStop || taps < 3 || taps % 2 == 0 || !(fs > 0.0) ||
        !(f1 > 0.0 && f1 < fs / 2) || (twoEdges && !(f2 > f1 && f2 < fs / 2)))
        return -1;
    std::vector<double> w(static_cast<size_t>(taps));
    if (firWindow(window, beta, w.data(), taps) != 0)
        return -1;
    const int mid = taps / 2;
    lowPass(f1 / fs, w.data(), taps, h);
    if (twoEdges) {
        // Band-pass: the difference of the two low-passes.
        std::vector<double> upper(static_cast<size_t>(taps));
        lowPass(f2 / fs, w.data(), taps, upper.data());
        for (int k = 0; k < taps; ++k)
            h[k] = upper[size_t(k)] - h[k];
    }
    if (band == BandHighPass || band == BandStop) {
        // The complement: a unit impulse at the centre minus the other filter.
        for (int k = 0; k < taps; ++k)
            h[k] = -h[k];
        h[mid] += 1.0;
    }
    return 0;
}
