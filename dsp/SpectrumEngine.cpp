#include "dsp/SpectrumEngine.h"

#include "dsp/FftwPlanner.h"
#include "dsp/Scan.h"
#include "dsp/SpectrumFold.h"
#include "dsp/ToneCentroid.h"
#include "dsp/WindowFill.h"
#include "dsp/Windows.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

unsigned fftwPlanFlags(uint32_t n)
{
    // Measuring pays off for the sizes used live; above 64K it would take seconds per size.
    return n <= 65536 ? FFTW_MEASURE : FFTW_ESTIMATE;
}

namespace {

// Whether the transform runs as two halves after a first radix-2 step in the fill. Two
// half-length transforms cost FFTW less than one of full length. For a real signal of N points
// the halves are N/4 complex points each, with a split after them; that beats FFTW's real-input
// plans at every size, and plans in milliseconds where FFTW's real-input plan of 8M points
// takes a quarter of a second to build its twiddles. Only N = 2 is too short to halve.
bool halvedTransform(uint32_t n, bool isComplex)
{
    return isComplex || n >= 4;
}

template <typename T> LargeArray<T> checkedArray(size_t count)
{
    LargeArray<T> a = largeArray<T>(count);
    if (!a)
        throw std::bad_alloc();
    return a;
}

} // namespace

// The transform's plan, made once per size and layout, never per block, and outliving changes
// of the window or the averaging. Every worker executes it on its own array (FFTW's new-array
// execution is thread-safe, planning is not); the arrays share the plan's alignment, since all
// are large arrays, so each gives the same bits.
struct SpectrumEngine::FftwState {
    uint32_t n = 0;
    bool isComplex = false;
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
    provideScratch();
    m_blockBufferTaken = false;
    if (settings.averageCount > 1 && !m_average)
        m_average = checkedArray<double>(size_t(m_binCount) * size_t(m_channelCount));
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

    m_spectrum.reset();
    if (!m_binAxis || m_binAxisCount != m) {
        std::shared_ptr<double[]> axis(checkedArray<double>(m).release(), LargeDeleter());
        for (size_t j = 0; j < m; ++j)
            axis[j] = double(j);
        m_binAxis = std::move(axis);
        m_binAxisCount = m;
    }
    m_average.reset();
    m_averagingRestart = true;
    for (Scratch &s : m_scratch) {
        s.chunkSums.reset();
        s.chunkMaxima.reset();
    }

    m_window.build(settings.windowType, n, settings.sidelobeLevel);
    if (!m_fftw || m_fftw->n != n || m_fftw->isComplex != isComplex)
        rebuildTransform(n, isComplex);
}

void SpectrumEngine::rebuildTransform(uint32_t n, bool isComplex)
{
    m_fftw.reset(new FftwState);
    m_fftw->n = n;
    m_fftw->isComplex = isComplex;
    m_dataCount = isComplex || m_backend == Backend::Radix2 ? n : n / 2 + 1;
    if (m_scratch.empty())
        m_scratch.resize(1);
    for (Scratch &s : m_scratch)
        s.data.reset();
    m_scratch.front().data = checkedArray<ComplexD>(m_dataCount);
    if (m_backend == Backend::Radix2) {
        m_twiddles.reset(new ComplexD[n / 2]);
        m_bitReverse.reset(new int32_t[n]);
        fftTables(int(n), m_twiddles.get(), m_bitReverse.get());
        return;
    }
    m_twiddles.reset();
    m_bitReverse.reset();
    auto *out = reinterpret_cast<fftw_complex *>(m_scratch.front().data.get());
    const FftwPlanning planning;
    if (halvedTransform(n, isComplex)) {
        // The first radix-2 step runs in the fill; FFTW transforms the two halves. A real signal
        // goes in as n/2 complex points, z[k] = x[2k] + i x[2k+1], in the same array.
        const uint32_t points = isComplex ? n : n / 2;
        m_halvesTwiddles.build(points, points / 2);
        if (!isComplex)
            m_realSplit.build(n);
        const int half = int(points / 2);
        m_fftw->plan = fftw_plan_many_dft(1, &half, 2, out, nullptr, 1, half, out, nullptr, 1,
                                          half, FFTW_FORWARD, fftwPlanFlags(n));
    } else {
        m_fftw->plan = fftw_plan_dft_r2c_1d(int(n), reinterpret_cast<double *>(out), out,
                                            fftwPlanFlags(n));
    }
}

void SpectrumEngine::setWorkerCount(int count)
{
    m_workerCount = std::max(count, 1);
    if (m_scratch.size() > size_t(m_workerCount))
        m_scratch.resize(size_t(m_workerCount));
}

void SpectrumEngine::provideScratch()
{
    const size_t chunks = size_t(BinSummary::chunkCount(long(m_binCount)));
    m_scratch.resize(size_t(m_workerCount));
    for (Scratch &s : m_scratch) {
        if (!s.data)
            s.data = checkedArray<ComplexD>(m_dataCount);
        if (!s.chunkSums) {
            s.chunkSums.reset(new double[chunks]);
            s.chunkMaxima.reset(new double[chunks]);
        }
    }
}

double *SpectrumEngine::writableSlot(int slot)
{
    const size_t m = size_t(m_binCount);
    std::lock_guard<std::mutex> lock(m_slotMutex);
    if (!m_blockBufferTaken) {
        std::shared_ptr<double[]> fresh = m_spectrumPool.take(m * size_t(m_channelCount));
        if (!fresh)
            throw std::bad_alloc();
        m_spectrum = std::move(fresh);
        m_slotWritten.assign(size_t(m_channelCount), 0);
        m_blockBufferTaken = true;
    }
    m_slotWritten[size_t(slot)] = 1;
    return m_spectrum.get() + size_t(slot) * m;
}

int SpectrumEngine::transformSamples(int slot, const double *re, const double *im, double scale,
                                     int worker)
{
    double *power = writableSlot(slot);
    const size_t n = m_built.fftSize;
    ComplexD *data = m_scratch[size_t(worker)].data.get();
    auto *bins = reinterpret_cast<fftw_complex *>(data);
    if (m_backend == Backend::Radix2) {
        // The reference path, step by step: volts, window, transform, divide by N.
        m_window.forEach([&](size_t k, double w) {
            data[k] = {re[k] * scale * w, im ? im[k] * scale * w : 0.0};
        });
        fftInPlace(data, m_twiddles.get(), int(n));
        const double inverse = 1.0 / double(n);
        for (size_t k = 0; k < n; ++k) {
            data[k].re *= inverse;
            data[k].im *= inverse;
        }
        int peak = 0;
        powerSpectrum(power, data, m_bitReverse.get(), m_binCount, peak);
        averageAndFold(slot, power, worker);
        return peak;
    }
    // FFTW: the division by N is folded into the input scale; the transform is linear.
    const double s = scale / double(n);
    if (m_isComplex) {
        windowComplexHalves(m_window, re, im, s, m_halvesTwiddles, data);
        fftw_execute_dft(m_fftw->plan, bins, bins);
        SpectrumFold fold = foldFor(slot, worker);
        fold.odd = data + n / 2;
        return foldSpectrum(data, power, fold);
    }
    if (!halvedTransform(uint32_t(n), false)) {
        windowRealSamples(m_window, re, s, reinterpret_cast<double *>(data));
        fftw_execute_dft_r2c(m_fftw->plan, reinterpret_cast<double *>(data), bins);
        return foldSpectrum(data, power, foldFor(slot, worker));
    }
    windowRealHalves(m_window, re, s, m_halvesTwiddles, data);
    fftw_execute_dft(m_fftw->plan, bins, bins);
    m_realSplit.power(data, data + n / 4, power, 2.0); // one-sided: doubled, as the fold expects
    return foldStoredSpectrum(power, foldFor(slot, worker));
}

SpectrumFold SpectrumEngine::foldFor(int slot, int worker) const
{
    SpectrumFold f;
    f.binCount = m_binCount;
    if (m_settings.averageCount > 1 && m_average) {
        f.average = m_average.get() + size_t(slot) * size_t(m_binCount);
        f.blend = !m_averagingRestart;
        f.averageCount = m_settings.averageCount;
    }
    f.oneSided = !m_isComplex;
    f.centred = m_isComplex && m_settings.spectrumRange == 1;
    f.chunkSums = m_scratch[size_t(worker)].chunkSums.get();
    f.chunkMaxima = m_scratch[size_t(worker)].chunkMaxima.get();
    return f;
}

void SpectrumEngine::analyseSamples(int slot, const double *re, const double *im,
                                    double fullScale, double rangeMv, double sampleRate,
                                    SpectrumMeasurements &out, int worker)
{
    if (!isReady() || !re || slot < 0 || slot >= m_channelCount || worker < 0 ||
        worker >= int(m_scratch.size()))
        return;
    // A one-bit converter has a full scale of 0 codes; treat it as 1 rather than divide by 0.
    const double scale = rangeMv / 1000.0 / (fullScale > 0.0 ? fullScale : 1.0);
    const int peak = transformSamples(slot, re, im, scale, worker);
    finishChannel(slot, peak, sampleRate, rangeMv, out, worker);
}

void SpectrumEngine::analyseReadySpectrum(int slot, const ComplexD *values, double rangeMv,
                                          double sampleRate, SpectrumMeasurements &out, int worker)
{
    if (!isReady() || !values || slot < 0 || slot >= m_channelCount || worker < 0 ||
        worker >= int(m_scratch.size()))
        return;
    const double inverse = 1.0 / double(m_built.fftSize);
    ComplexD *data = m_scratch[size_t(worker)].data.get();
    for (int k = 0; k < m_binCount; ++k)
        data[k] = {values[k].re * inverse, values[k].im * inverse};
    const int peak = foldSpectrum(data, writableSlot(slot), foldFor(slot, worker));
    finishChannel(slot, peak, sampleRate, rangeMv, out, worker);
}

// The reference path's steps after the power spectrum, one at a time: averaging, then the
// centring swap or the one-sided doubling, then the chunk summary.
void SpectrumEngine::averageAndFold(int slot, double *power, int worker)
{
    const long m = m_binCount;
    const uint32_t k = m_settings.averageCount;
    double *average = k > 1 && m_average ? m_average.get() + size_t(slot) * size_t(m) : nullptr;
    const bool blend = average && !m_averagingRestart;
    const double keep = 1.0 - 1.0 / k, take = 1.0 / k;
    const bool centred = m_isComplex && m_settings.spectrumRange == 1;
    if (blend)
        for (long j = 0; j < m; ++j)
            power[j] = keep * average[j] + power[j] * take;
    if (average)
        std::memcpy(average, power, size_t(m) * sizeof(double));
    if (centred)
        std::swap_ranges(power, power + m / 2, power + m / 2);
    else if (!m_isComplex)
        for (long j = 1; j < m; ++j)
            power[j] *= 2.0;
    summary(power, worker).build();
}

BinSummary SpectrumEngine::summary(const double *power, int worker) const
{
    const Scratch &s = m_scratch[size_t(worker)];
    return BinSummary{power, m_binCount, s.chunkSums.get(), s.chunkMaxima.get()};
}

// Steps after the stored spectrum is complete: tone, frequency, figures, RMS values.
void SpectrumEngine::finishChannel(int slot, int peak, double sampleRate, double rangeMv,
                                   SpectrumMeasurements &out, int worker)
{
    const size_t m = size_t(m_binCount);
    const uint32_t n = m_built.fftSize;
    const double *power = m_spectrum.get() + size_t(slot) * m;
    const bool centred = m_isComplex && m_settings.spectrumRange == 1;
    if (centred)
        peak = peak < int(m / 2) ? peak + int(m / 2) : peak - int(m / 2);

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
    in.isCentred = centred;
    in.mainLobeWidth = m_mainLobeWidth;
    // The largest code reads as rangeMv; a tone reaching it holds a^2 / 2 as a real sine and
    // a^2 as a complex one.
    const double fullScaleVolts = rangeMv / 1000.0;
    in.fullScalePower = fullScaleVolts * fullScaleVolts * (m_isComplex ? 1.0 : 0.5);
    const BinSummary bins = summary(power, worker);
    in.summary = &bins;
    const DynamicsResult figures = measureDynamics(in);
    out.thd = figures.thd;
    out.snr = figures.snr;
    out.sinad = figures.sinad;
    out.sfdr = figures.sfdr;
    out.enob = figures.enob;
    out.datasheet = figures.datasheet;
    std::copy(figures.harmonicLevels, figures.harmonicLevels + MaxHarmonics, out.harmonicLevels);
    std::copy(figures.harmonicBins, figures.harmonicBins + MaxHarmonics, out.harmonicBins);

    if (out.fundamentalFrequency == 0.0)
        out.sfdr = 0.0;
    if (centred) {
        out.fundamentalFrequency -= sampleRate / 2;
        out.datasheet.spurFrequency -= sampleRate / 2;
    }
    const double iqFactor = m_isComplex ? M_SQRT1_2 : 1.0;
    out.totalRms = std::sqrt(figures.totalPower) * iqFactor;
    out.fundamentalRms = std::sqrt(tonePower) * iqFactor;
}

void SpectrumEngine::copySpectrum(int fromSlot, int toSlot)
{
    if (!isReady() || fromSlot < 0 || toSlot < 0 || fromSlot >= m_channelCount ||
        toSlot >= m_channelCount || fromSlot == toSlot)
        return;
    const size_t m = size_t(m_binCount);
    {
        std::lock_guard<std::mutex> lock(m_slotMutex);
        if (!m_blockBufferTaken || !m_slotWritten[size_t(fromSlot)])
            return;
    }
    std::memcpy(writableSlot(toSlot), m_spectrum.get() + size_t(fromSlot) * m, m * sizeof(double));
}

void SpectrumEngine::endBlock()
{
    if (m_blockBufferTaken) {
        const size_t m = size_t(m_binCount);
        for (size_t slot = 0; slot < m_slotWritten.size(); ++slot)
            if (!m_slotWritten[slot])
                std::fill(m_spectrum.get() + slot * m, m_spectrum.get() + (slot + 1) * m, 0.0);
    }
    m_blockBufferTaken = false;
    m_averagingRestart = false;
}
