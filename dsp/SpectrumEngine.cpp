#include "dsp/SpectrumEngine.h"

#include "dsp/FftwPlanner.h"
#include "dsp/ToneCentroid.h"
#include "dsp/Windows.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstring>

unsigned fftwPlanFlags(uint32_t n)
{
    // Measuring pays off for the sizes used live; above 64K it would take seconds per size.
    return n <= 65536 ? FFTW_MEASURE : FFTW_ESTIMATE;
}

namespace {

struct FftwDeleter {
    void operator()(void *p) const { fftw_free(p); }
};
template <typename T> using FftwArray = std::unique_ptr<T[], FftwDeleter>;

template <typename T> FftwArray<T> fftwArray(size_t count)
{
    return FftwArray<T>(static_cast<T *>(fftw_malloc(sizeof(T) * count)));
}

} // namespace

// The transform's work arrays and plan; the plan is made once per size, never per block.
struct SpectrumEngine::FftwState {
    FftwArray<double> real;     // windowed real input (FFTW real path)
    FftwArray<ComplexD> data;   // complex input and output, or the real path's half spectrum
    fftw_plan plan = nullptr;

    ~FftwState()
    {
        if (plan) {
            std::lock_guard<std::mutex> lock(fftwPlannerMutex());
            fftw_destroy_plan(plan);
        }
    }
};

SpectrumEngine::SpectrumEngine(Backend backend) : m_backend(backend) {}

SpectrumEngine::~SpectrumEngine() = default;

const double *SpectrumEngine::spectrum(int slot) const
{
    if (!m_spectrum || slot < 0 || slot >= m_channelCount)
        return nullptr;
    return m_spectrum.get() + size_t(slot) * size_t(m_binCount);
}

bool SpectrumEngine::beginBlock(const SpectrumSettings &settings, int channelCount,
                                bool isComplex, bool rebuild)
{
    m_settings = settings;
    const uint32_t n = settings.fftSize;
    if (n < 2 || !isPowerOfTwo(n) || n > (1u << 30) || channelCount <= 0) {
        m_binCount = 0;
        return false;
    }
    const bool changed = rebuild || !isReady() || n != m_built.fftSize ||
                         settings.windowType != m_built.windowType ||
                         settings.sidelobeLevel != m_built.sidelobeLevel ||
                         settings.averageCount != m_built.averageCount ||
                         channelCount != m_channelCount || isComplex != m_isComplex;
    if (changed)
        rebuildBuffers(settings, channelCount, isComplex);
    if (settings.averageCount > 1 && !m_average)
        m_average.reset(new double[size_t(m_binCount) * size_t(m_channelCount)]);
    m_mainLobeWidth = windowMainLobeWidth(settings.windowType, settings.sidelobeLevel);
    return changed;
}

void SpectrumEngine::rebuildBuffers(const SpectrumSettings &settings, int channelCount,
                                    bool isComplex)
{
    const uint32_t n = settings.fftSize;
    const size_t m = isComplex ? n : n / 2;
    m_built = settings;
    m_channelCount = channelCount;
    m_isComplex = isComplex;
    m_binCount = int(m);

    m_previousSpectrum = std::move(m_spectrum);
    m_spectrum.reset(new double[m * size_t(channelCount)]());
    m_previousBinAxis = std::move(m_binAxis);
    m_binAxis.reset(new double[m]);
    for (size_t j = 0; j < m; ++j)
        m_binAxis[j] = double(j);
    m_average.reset();
    m_averagingRestart = true;

    m_window.reset(new double[n]);
    std::unique_ptr<double[]> scratch;
    if (settings.windowType == WindowChebyshev)
        scratch.reset(new double[n]);
    if (buildWindow(settings.windowType, m_window.get(), int(n), settings.sidelobeLevel,
                    scratch.get()) != 0)
        std::fill(m_window.get(), m_window.get() + n, 1.0); // unknown code: unweighted

    m_fftw.reset(new FftwState);
    m_fftw->data = fftwArray<ComplexD>(isComplex || m_backend == Backend::Radix2 ? n : n / 2 + 1);
    if (m_backend == Backend::Radix2) {
        m_twiddles.reset(new ComplexD[n / 2]);
        m_bitReverse.reset(new int32_t[n]);
        fftTables(int(n), m_twiddles.get(), m_bitReverse.get());
        return;
    }
    m_twiddles.reset();
    m_bitReverse.reset();
    auto *out = reinterpret_cast<fftw_complex *>(m_fftw->data.get());
    std::lock_guard<std::mutex> lock(fftwPlannerMutex());
    if (isComplex) {
        m_fftw->plan = fftw_plan_dft_1d(int(n), out, out, FFTW_FORWARD, fftwPlanFlags(n));
    } else {
        m_fftw->real = fftwArray<double>(n);
        m_fftw->plan = fftw_plan_dft_r2c_1d(int(n), m_fftw->real.get(), out, fftwPlanFlags(n));
    }
}

void SpectrumEngine::transformSamples(const double *re, const double *im, double scale,
                                      double *power, int &peak)
{
    const size_t n = m_built.fftSize;
    const double *w = m_window.get();
    ComplexD *data = m_fftw->data.get();
    if (m_backend == Backend::Radix2) {
        // The reference path, step by step: volts, window, transform, divide by N.
        for (size_t k = 0; k < n; ++k)
            data[k] = {re[k] * scale * w[k], im ? im[k] * scale * w[k] : 0.0};
        fftInPlace(data, m_twiddles.get(), int(n));
        const double inverse = 1.0 / double(n);
        for (size_t k = 0; k < n; ++k) {
            data[k].re *= inverse;
            data[k].im *= inverse;
        }
        powerSpectrum(power, data, m_bitReverse.get(), m_binCount, peak);
        return;
    }
    // FFTW: the division by N is folded into the input scale; the transform is linear.
    const double s = scale / double(n);
    if (m_isComplex) {
        for (size_t k = 0; k < n; ++k)
            data[k] = {re[k] * s * w[k], im ? im[k] * s * w[k] : 0.0};
    } else {
        double *in = m_fftw->real.get();
        for (size_t k = 0; k < n; ++k)
            in[k] = re[k] * s * w[k];
    }
    fftw_execute(m_fftw->plan);
    powerSpectrum(power, data, nullptr, m_binCount, peak);
}

void SpectrumEngine::analyseSamples(int slot, const double *re, const double *im,
                                    double fullScale, double rangeMv, double sampleRate,
                                    SpectrumMeasurements &out)
{
    if (!isReady() || !re || slot < 0 || slot >= m_channelCount)
        return;
    // A one-bit converter has a full scale of 0 codes; treat it as 1 rather than divide by 0.
    const double scale = rangeMv / 1000.0 / (fullScale > 0.0 ? fullScale : 1.0);
    double *power = m_spectrum.get() + size_t(slot) * size_t(m_binCount);
    int peak = 0;
    transformSamples(re, im, scale, power, peak);
    finishChannel(slot, power, peak, sampleRate, out);
}

void SpectrumEngine::analyseReadySpectrum(int slot, const ComplexD *values, double sampleRate,
                                          SpectrumMeasurements &out)
{
    if (!isReady() || !values || slot < 0 || slot >= m_channelCount)
        return;
    const double inverse = 1.0 / double(m_built.fftSize);
    ComplexD *data = m_fftw->data.get();
    for (int k = 0; k < m_binCount; ++k)
        data[k] = {values[k].re * inverse, values[k].im * inverse};
    double *power = m_spectrum.get() + size_t(slot) * size_t(m_binCount);
    int peak = 0;
    powerSpectrum(power, data, nullptr, m_binCount, peak);
    finishChannel(slot, power, peak, sampleRate, out);
}

void SpectrumEngine::finishChannel(int slot, double *power, int peak, double sampleRate,
                                   SpectrumMeasurements &out)
{
    const size_t m = size_t(m_binCount);
    const uint32_t n = m_built.fftSize;
    const uint32_t k = m_settings.averageCount;
    if (k > 1 && m_average) {
        double *average = m_average.get() + size_t(slot) * m;
        if (!m_averagingRestart) {
            const double keep = 1.0 - 1.0 / k, take = 1.0 / k;
            for (size_t j = 0; j < m; ++j)
                power[j] = keep * average[j] + power[j] * take;
        }
        std::memcpy(average, power, m * sizeof(double));
    }

    const bool centred = m_isComplex && m_settings.spectrumRange == 1;
    if (centred) {
        std::swap_ranges(power, power + m / 2, power + m / 2);
        peak = peak < int(m / 2) ? peak + int(m / 2) : peak - int(m / 2);
    } else if (!m_isComplex) {
        for (size_t j = 1; j < m; ++j)
            power[j] *= 2.0;
    }

    double centroid = 0.0, tonePower = 0.0;
    toneCentroid(power, int(m), peak, m_mainLobeWidth, m_isComplex, centroid, tonePower);
    out.peakBin = peak;
    out.fundamentalFrequency = centroid * sampleRate / n;

    DynamicsInputs in;
    in.spectrum = power;
    in.sampleRate = sampleRate != 0.0 ? sampleRate : 1.0;
    in.toneFrequency = out.fundamentalFrequency;
    in.fftSize = int(n);
    in.harmonicCount = m_settings.harmonicCount;
    in.exclusionHz = m_settings.sfdrBandWidth;
    in.isComplex = m_isComplex;
    in.mainLobeWidth = m_mainLobeWidth;
    double signalPower = 0.0, totalPower = 0.0;
    DynamicsOutputs result;
    result.thd = &out.thd;
    result.snr = &out.snr;
    result.sinad = &out.sinad;
    result.sfdr = &out.sfdr;
    result.enob = &out.enob;
    result.harmonicLevels = out.harmonicLevels;
    result.harmonicBins = out.harmonicBins;
    result.signalPower = &signalPower;
    result.totalPower = &totalPower;
    measureDynamics(in, result);

    if (out.fundamentalFrequency == 0.0)
        out.sfdr = 0.0;
    if (centred)
        out.fundamentalFrequency -= sampleRate / 2;
    const double iqFactor = m_isComplex ? M_SQRT1_2 : 1.0;
    out.totalRms = std::sqrt(totalPower) * iqFactor;
    out.fundamentalRms = std::sqrt(tonePower) * iqFactor;
}

void SpectrumEngine::copySpectrum(int fromSlot, int toSlot)
{
    if (!isReady() || fromSlot < 0 || toSlot < 0 || fromSlot >= m_channelCount ||
        toSlot >= m_channelCount || fromSlot == toSlot)
        return;
    const size_t m = size_t(m_binCount);
    std::memcpy(m_spectrum.get() + size_t(toSlot) * m, m_spectrum.get() + size_t(fromSlot) * m,
                m * sizeof(double));
}

void SpectrumEngine::endBlock() { m_averagingRestart = false; }
