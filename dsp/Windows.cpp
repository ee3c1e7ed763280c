#include "dsp/Windows.h"

#include "dsp/CpuFeatures.h"
#include "dsp/FftwPlanner.h"
#include "dsp/Twiddles.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>

namespace {

struct CosineSeries {
    int terms;
    double a[7];
};

// Coefficients of the cosine-sum windows, exactly as the instrument has always used them.
const CosineSeries kCosine[WindowTypeCount] = {
    {3, {0.42323, 0.49755, 0.07922}},
    {4, {0.35875, 0.48829, 0.14128, 0.01168}},
    {7, {0.27122, 0.43344, 0.218, 0.06579, 0.01076, 0.00077, 0.00001}},
    {0, {}},
    {0, {}},
    {1, {1.0}},
    {2, {0.5, 0.5}},
    {2, {0.54, 0.46}},
    {3, {0.42, 0.5, 0.08}},
    {3, {0.4265907136715391, 0.4965606190885641, 0.07684866723989682}},
    {5, {0.215578948, 0.41663158, 0.277263158, 0.083578947, 0.006947368}},
};

const char *const kLabels[WindowTypeCount] = {
    "Блэкмана-Хэрриса", "4-х чл. Блэкмана-Хэрриса", "7-ми чл. Блэкмана-Хэрриса", "Кайзера",
    "Чебышева", "Прямоугольное", "Хэннинга", "Хэмминга", "Блэкмана", "Точное Блэкмана",
    "FlatTop",
};

// Alternating signs: w = a0 - a1 cos x + a2 cos 2x - ...; cos tx by the Chebyshev recurrence
// from cos x, and cos x as the product of two small tables' entries (exact to an ulp or two)
// rather than a library cosine per weight. A batch of 64 weights shares one entry of the coarse
// table, and the recurrence runs across the batch, one term at a time.
template <int Batch>
inline __attribute__((always_inline)) void cosineBatch(const CosineSeries &s,
                                                       const TwiddleTable &t, double *w, int count)
{
    static_assert(Batch == int(TwiddleTable::kLo), "one coarse entry per batch");
    double signedA[7];
    for (int k = 0; k < s.terms; ++k)
        signedA[k] = k % 2 ? -s.a[k] : s.a[k];
    double c1[Batch], previous[Batch], current[Batch], v[Batch];
    for (int i0 = 0; i0 < count; i0 += Batch) {
        const int len = std::min(Batch, count - i0);
        const double hr = t.hiRe[size_t(i0 / Batch)], hi = t.hiIm[size_t(i0 / Batch)];
        for (int j = 0; j < len; ++j) {
            c1[j] = hr * t.loRe[size_t(j)] - hi * t.loIm[size_t(j)];
            previous[j] = 1.0;
            current[j] = c1[j];
            v[j] = signedA[0];
        }
        for (int k = 1; k < s.terms; ++k) {
            for (int j = 0; j < len; ++j) {
                v[j] += signedA[k] * current[j];
                const double next = 2.0 * c1[j] * current[j] - previous[j];
                previous[j] = current[j];
                current[j] = next;
            }
        }
        std::copy(v, v + len, w + i0);
    }
}

void cosinePlain(const CosineSeries &s, const TwiddleTable &t, double *w, int count)
{
    cosineBatch<64>(s, t, w, count);
}

#ifdef ORMA_AVX2_KERNELS
ORMA_TARGET_AVX2 void cosineAvx2(const CosineSeries &s, const TwiddleTable &t, double *w,
                                 int count)
{
    cosineBatch<64>(s, t, w, count);
}
#endif

// The first count weights of n.
void cosineWindow(const CosineSeries &s, double *w, int n, int count)
{
    TwiddleTable t;
    t.build(uint32_t(n), uint32_t(count));
    ORMA_KERNEL(cosineAvx2, cosinePlain)(s, t, w, count);
}

// I0 by its power series to a fixed length: the window must not depend on a convergence test.
constexpr int kBesselTerms = 40;

double besselI0(double x)
{
    const double q = (x / 2) * (x / 2);
    double term = 1.0, sum = 1.0;
    for (int k = 1; k < kBesselTerms; ++k) {
        term = term * q / (double(k) * k);
        sum += term;
    }
    return sum;
}

// The first count Kaiser weights of n, I0 divided by `denominator`. The series runs across a batch of
// weights at a time: its forty divisions per weight are a dependent chain for one weight, but
// independent lanes across weights. Same operations in the same order as besselI0, so the
// same weights to the last bit.
template <int Batch>
inline __attribute__((always_inline)) void kaiserBatch(double *w, int n, int count, double beta,
                                                       double denominator)
{
    double q[Batch], term[Batch], sum[Batch];
    for (int i0 = 0; i0 < count; i0 += Batch) {
        const int len = std::min(Batch, count - i0);
        for (int j = 0; j < len; ++j) {
            const double b = 1.0 - 2.0 * (i0 + j) / n;
            const double x = beta * std::sqrt(1.0 - b * b);
            q[j] = (x / 2) * (x / 2);
            term[j] = 1.0;
            sum[j] = 1.0;
        }
        for (int k = 1; k < kBesselTerms; ++k) {
            const double kk = double(k) * k;
            for (int j = 0; j < len; ++j) {
                term[j] = term[j] * q[j] / kk;
                sum[j] += term[j];
            }
        }
        for (int j = 0; j < len; ++j)
            w[i0 + j] = sum[j] / denominator;
    }
}

constexpr int kKaiserBatch = 64;

void kaiserPlain(double *w, int n, int count, double beta, double denominator)
{
    kaiserBatch<kKaiserBatch>(w, n, count, beta, denominator);
}

#ifdef ORMA_AVX2_KERNELS
ORMA_TARGET_AVX2 void kaiserAvx2(double *w, int n, int count, double beta, double denominator)
{
    kaiserBatch<kKaiserBatch>(w, n, count, beta, denominator);
}
#endif

void kaiserWindow(double *w, int n, int count, double sidelobeLevel)
{
    const double beta = sidelobeLevel / 10.0 + 1.0;
    ORMA_KERNEL(kaiserAvx2, kaiserPlain)(w, n, count, beta, besselI0(beta));
}

double acoshAbs(double u) { return std::log(std::fabs(u + std::sqrt(u * u - 1.0))); }
double coshOf(double v) { return (std::exp(v) + std::exp(-v)) / 2.0; }

// out[m] = |sum_j in[j] e^(j 2 pi j m / order)| for m < count. The direct sum is quadratic, which
// at 8M points would take hours, so large orders go through FFTW's transform of any length.
// out must hold order + 1 doubles (the half-complex result of an odd order is formed there).
void chebyshevMagnitudes(double *in, int order, int count, double *out)
{
    if (order <= 1024 || order % 2 == 0) {
        for (int m = 0; m < count; ++m) {
            double c = 0.0, s = 0.0;
            for (int j = 0; j < order; ++j) {
                const double phase = 2.0 * M_PI * double(j) * m / order;
                c += in[j] * std::cos(phase);
                s += in[j] * std::sin(phase);
            }
            out[m] = std::sqrt(c * c + s * s);
        }
        return;
    }
    fftw_plan plan;
    {
        std::lock_guard<std::mutex> lock(fftwPlannerMutex());
        plan = fftw_plan_dft_r2c_1d(order, in, reinterpret_cast<fftw_complex *>(out),
                                    FFTW_ESTIMATE | FFTW_PRESERVE_INPUT);
    }
    fftw_execute(plan);
    {
        std::lock_guard<std::mutex> lock(fftwPlannerMutex());
        fftw_destroy_plan(plan);
    }
    // Reading pairs 2m, 2m+1 ahead of writing m keeps the in-place fold safe.
    for (int m = 0; m < count; ++m)
        out[m] = std::sqrt(out[2 * m] * out[2 * m] + out[2 * m + 1] * out[2 * m + 1]);
}

// Dolph-Chebyshev window through the frequency-domain samples of the Chebyshev polynomial.
void chebyshevWindow(double *w, int n, double sidelobeLevel, double *a)
{
    if (n < 2) {
        for (int i = 0; i < n; ++i)
            w[i] = 1.0;
        return;
    }
    const int order = n - 1;
    const double r = std::pow(10.0, sidelobeLevel / 20.0);
    const double x0 = coshOf(acoshAbs(r) / order);
    const double g = coshOf(order * acoshAbs(x0));
    const int h = int(std::floor(order / 2.0 + 0.1));
    const int k = h + 1;

    for (int j = 0; j < n; ++j) {
        const int i = j + 1 - h;
        const double y = x0 * std::cos(M_PI * i / order);
        double t;
        if (std::fabs(y) >= 1.0)
            t = coshOf(order * std::log(std::fabs(y + std::sqrt(y * y - 1.0))));
        else
            t = std::cos(order * (M_PI / 2 - std::atan(y / std::sqrt(1.0 - y * y))));
        a[j] = (i % 2 == 0 ? t : -t) / g;
    }

    chebyshevMagnitudes(a + 1, order, k, w);
    double largest = 0.0;
    for (int m = 0; m < k; ++m)
        if (w[m] > largest)
            largest = w[m];
    for (int i = 0; i < k - (n % 2); ++i)
        w[n - 1 - i] = w[i];
    if (largest > 0.0)
        for (int i = 0; i < n; ++i)
            w[i] /= largest;
    w[0] /= 2.0;
    w[n - 1] /= 2.0;
}

// Unit mean square over all n weights, of which the first count are given and the rest are
// their mirror images w[k] = w[mirror - k]: the sum of squares becomes n.
void normalise(double *w, int n, int count, int mirror)
{
    double sumSquares = 0.0;
    for (int i = 0; i < count; ++i)
        sumSquares += w[i] * w[i];
    for (int i = count; i < n; ++i)
        sumSquares += w[mirror - i] * w[mirror - i];
    if (sumSquares <= 0.0)
        return;
    const double factor = std::sqrt(n / sumSquares);
    for (int i = 0; i < count; ++i)
        w[i] *= factor;
}

} // namespace

const char *windowLabel(int code)
{
    return code >= 0 && code < WindowTypeCount ? kLabels[code] : nullptr;
}

int windowMirror(int code, int n) { return code == WindowChebyshev ? n - 1 : n; }

int buildWindow(int code, double *weights, int n, double sidelobeLevel, double *scratch, int count)
{
    if (count <= 0 || count > n)
        count = n;
    const int mirror = windowMirror(code, n);
    if (code < 0 || code >= WindowTypeCount || !weights || n <= 0 || 2 * count <= mirror)
        return -1;
    switch (code) {
    case WindowKaiser:
        kaiserWindow(weights, n, count, sidelobeLevel);
        break;
    case WindowChebyshev:
        if (!scratch || count < n)
            return -1;
        chebyshevWindow(weights, n, sidelobeLevel, scratch);
        break;
    default:
        cosineWindow(kCosine[code], weights, n, count);
        break;
    }
    normalise(weights, n, count, mirror);
    return 0;
}

int windowMainLobeWidth(int code, double sidelobeLevel)
{
    switch (code) {
    case WindowBlackmanHarris3:
    case WindowRectangular:
    case WindowHann:
    case WindowHamming:
    case WindowBlackman:
    case WindowExactBlackman:
        return 5;
    case WindowBlackmanHarris4:
        return 7;
    case WindowBlackmanHarris7:
        return 15;
    case WindowKaiser:
    case WindowChebyshev:
        if (sidelobeLevel <= 50)
            return 5;
        if (sidelobeLevel <= 80)
            return 7;
        if (sidelobeLevel <= 120)
            return 9;
        return 11;
    default:
        return 7;
    }
}
