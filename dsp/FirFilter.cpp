#include "dsp/FirFilter.h"

#include "dsp/FftwPlanner.h"

#include <algorithm>
#include <cmath>
#include <cstring>

void firDirect(const double *h, int taps, const double *x, size_t n, double *y)
{
    const size_t length = size_t(taps);
    for (size_t i = 0; i < n; ++i) {
        const size_t count = std::min(length, i + 1);
        double acc = 0.0;
        for (size_t k = 0; k < count; ++k)
            acc += h[k] * x[i - k];
        y[i] = acc;
    }
}

FirFilter::~FirFilter() { release(); }

void FirFilter::release()
{
    {
        std::lock_guard<std::mutex> lock(fftwPlannerMutex());
        if (m_forward)
            fftw_destroy_plan(m_forward);
        if (m_inverse)
            fftw_destroy_plan(m_inverse);
    }
    fftw_free(m_block);
    fftw_free(m_response);
    m_forward = m_inverse = nullptr;
    m_block = nullptr;
    m_response = nullptr;
    m_n = 0;
}

int FirFilter::chooseTransformSize(int taps)
{
    // Direct: `taps` multiply-adds per output. Overlap-add: two real transforms of N points and
    // N/2 complex products per N - taps + 1 outputs; a real transform costs about N log2 N
    // multiply-adds' time (FFTW's vector code against a scalar dependent sum).
    // Beyond 4M points the gain per output is a few per cent, the memory hundreds of MB.
    double best = taps;
    int bestN = 0;
    for (int log = 4; log <= 26; ++log) {
        const double n = double(1 << log);
        if (n < 2.0 * taps)
            continue;
        if (log > MaxTransformLog && bestN != 0)
            break;
        const double perOutput = (2.0 * n * log + 2.0 * n) / (n - taps + 1);
        if (perOutput < best) {
            best = perOutput;
            bestN = 1 << log;
        }
    }
    return bestN;
}

bool FirFilter::setTaps(const double *h, int taps)
{
    release();
    m_taps.assign(h, h + std::max(taps, 0));
    const int n = chooseTransformSize(taps);
    if (n == 0)
        return true;
    m_block = fftw_alloc_real(size_t(n) + 2);
    m_response = fftw_alloc_complex(size_t(n) / 2 + 1);
    if (!m_block || !m_response) {
        release();
        m_taps.clear();
        return false;
    }
    auto *bins = reinterpret_cast<fftw_complex *>(m_block);
    {
        // Estimated, not measured: the design is redone whenever a parameter changes, and
        // measuring a transform of this size takes the worker seconds.
        std::lock_guard<std::mutex> lock(fftwPlannerMutex());
        m_forward = fftw_plan_dft_r2c_1d(n, m_block, bins, FFTW_ESTIMATE);
        m_inverse = fftw_plan_dft_c2r_1d(n, bins, m_block, FFTW_ESTIMATE);
    }
    if (!m_forward || !m_inverse) {
        release();
        m_taps.clear();
        return false;
    }
    m_n = n;
    std::fill(m_block, m_block + n + 2, 0.0);
    std::copy(h, h + taps, m_block);
    fftw_execute(m_forward);
    const double scale = 1.0 / n;
    for (int k = 0; k <= n / 2; ++k) {
        m_response[k][0] = bins[k][0] * scale;
        m_response[k][1] = bins[k][1] * scale;
    }
    return true;
}

void FirFilter::filter(const double *x, size_t n, double *y)
{
    if (m_taps.empty()) {
        std::fill(y, y + n, 0.0);
        return;
    }
    if (m_n == 0)
        firDirect(m_taps.data(), taps(), x, n, y);
    else
        overlapAdd(x, n, y);
}

void FirFilter::overlapAdd(const double *x, size_t n, double *y)
{
    const size_t size = size_t(m_n);
    const size_t step = size - m_taps.size() + 1; // inputs per transform: no wrap-around
    auto *bins = reinterpret_cast<fftw_complex *>(m_block);
    std::fill(y, y + n, 0.0);
    for (size_t start = 0; start < n; start += step) {
        const size_t count = std::min(step, n - start);
        std::copy(x + start, x + start + count, m_block);
        std::fill(m_block + count, m_block + size + 2, 0.0);
        fftw_execute_dft_r2c(m_forward, m_block, bins);
        for (size_t k = 0; k <= size / 2; ++k) {
            const double re = bins[k][0], im = bins[k][1];
            const double hr = m_response[k][0], hi = m_response[k][1];
            bins[k][0] = re * hr - im * hi;
            bins[k][1] = re * hi + im * hr;
        }
        fftw_execute_dft_c2r(m_inverse, bins, m_block);
        // Only the outputs inside the block are kept; the tail of the last transform is the
        // part of the full convolution that is dropped.
        const size_t keep = std::min(size, n - start);
        double *out = y + start;
        for (size_t j = 0; j < keep; ++j)
            out[j] += m_block[j];
    }
}
