#pragma once
// Per-channel power spectrum of one analysis block, with averaging, centring and the dynamic
// figures. Owns every buffer it fills and rebuilds them only when the size, the window, the
// side-lobe level, the averaging or the channel layout change. Runs in the source thread; the
// slots of one block may be analysed by several threads at once, each with its own worker index.
#include "dsp/BufferPool.h"
#include "dsp/Dynamics.h"
#include "dsp/Fft.h"
#include "dsp/HalfWindow.h"
#include "dsp/LargeArray.h"
#include "dsp/RealSplit.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

struct BinSummary;
struct SpectrumFold;

struct SpectrumSettings {
    uint32_t fftSize = 1024;      // N, a power of two
    uint8_t windowType = 3;       // WindowType code
    double sidelobeLevel = 120.0; // dB, Kaiser and Chebyshev only
    uint32_t averageCount = 1;    // K of the exponential averaging
    int harmonicCount = 6;        // harmonics measured
    uint32_t sfdrBandWidth = 0;   // Hz excluded on each side of the tone
    uint8_t spectrumRange = 1;    // complex only: 1 centred -Fd/2..+Fd/2, 0 = 0..Fd
};

// What one block leaves per channel; the source's channel record carries these fields.
struct SpectrumMeasurements {
    double fundamentalFrequency = 0.0; // Hz
    double totalRms = 0.0;             // V
    double fundamentalRms = 0.0;       // V
    double harmonicLevels[MaxHarmonics] = {};
    double harmonicBins[MaxHarmonics] = {};
    int32_t peakBin = 0;
    double sinad = 0.0;
    double sfdr = 0.0;
    double snr = 0.0;
    double thd = 0.0;
    double enob = 0.0;
    DatasheetFigures datasheet;        // spur frequency after any centring shift, as the tone's
};

// The FFTW planner flags used for a transform of n points (shared with the benchmarks so that
// both measure the same plans).
unsigned fftwPlanFlags(uint32_t n);

class SpectrumEngine {
public:
    enum class Backend { Fftw, Radix2 };

    explicit SpectrumEngine(Backend backend = Backend::Fftw);
    ~SpectrumEngine();
    SpectrumEngine(const SpectrumEngine &) = delete;
    SpectrumEngine &operator=(const SpectrumEngine &) = delete;

    // Starts a block. Rebuilds the buffers when `rebuild` is set (the caller's settings-changed
    // or window-invalid state), or when N, window, side-lobe level, averaging, channel count or
    // the complex flag differ from the last build. Returns true when it rebuilt. A size that is
    // not a power of two of at least 2 is refused: false, and analyse* do nothing until a good one.
    bool beginBlock(const SpectrumSettings &settings, int channelCount, bool isComplex,
                    bool rebuild = false);
    // Threads that analyse the slots of a block at once (workers 0 .. count - 1), each in
    // transform arrays of its own; taken at the next beginBlock. The FFTW plan stays one.
    void setWorkerCount(int count);

    // One channel from ADC codes: N samples of re (and of im for a complex pair, else null).
    // Codes become volts as code / fullScale * rangeMv / 1000.
    void analyseSamples(int slot, const double *re, const double *im, double fullScale,
                        double rangeMv, double sampleRate, SpectrumMeasurements &out,
                        int worker = 0);
    // One channel whose N complex spectrum values come ready from the record: no window, no FFT;
    // values in volts, full scale at rangeMv.
    void analyseReadySpectrum(int slot, const ComplexD *values, double rangeMv, double sampleRate,
                              SpectrumMeasurements &out, int worker = 0);
    // Copies one slot's spectrum onto another (the Q channel of an I/Q pair shows the I result);
    // by the thread that analysed fromSlot.
    void copySpectrum(int fromSlot, int toSlot);
    // Ends the block: slots left unwritten read as zero, and the next block enters the running
    // average normally.
    void endBlock();

    bool isReady() const { return m_binCount > 0; }
    uint32_t fftSize() const { return m_built.fftSize; }
    int binCount() const { return m_binCount; }          // M: N complex, N/2 real
    int channelCount() const { return m_channelCount; }
    bool isComplex() const { return m_isComplex; }
    int mainLobeWidth() const { return m_mainLobeWidth; }
    const SpectrumSettings &settings() const { return m_settings; }

    // Channel-major, M values per slot, volts squared per bin. A block writes into a buffer no
    // holder of an earlier block's spectra shares, so what spectra() handed out never changes.
    const double *spectrum(int slot) const;
    std::shared_ptr<const double[]> spectra() const { return m_spectrum; }
    const double *binAxis() const { return m_binAxis.get(); }
    std::shared_ptr<const double[]> binAxisBuffer() const { return m_binAxis; }

private:
    void rebuildBuffers(const SpectrumSettings &settings, int channelCount, bool isComplex);
    void rebuildTransform(uint32_t n, bool isComplex);
    void provideScratch();
    int transformSamples(int slot, const double *re, const double *im, double scale, int worker);
    SpectrumFold foldFor(int slot, int worker) const;
    void finishChannel(int slot, int peak, double sampleRate, double rangeMv,
                       SpectrumMeasurements &out, int worker);
    void averageAndFold(int slot, double *power, int worker);
    BinSummary summary(const double *power, int worker) const;
    // The slot's M values in this block's buffer, taken from the pool at the first write.
    double *writableSlot(int slot);

    struct FftwState;
    // What one worker thread writes while it analyses a slot.
    struct Scratch {
        // Input and output of the transform, in place, so that the block stays in cache: N
        // complex values, or for a real signal N doubles in and N/2 (two halves of N/4) or
        // N/2 + 1 (real-input plan) complex values out.
        LargeArray<ComplexD> data;
        std::unique_ptr<double[]> chunkSums, chunkMaxima;
    };
    Backend m_backend;
    SpectrumSettings m_settings;   // as given to the current block
    SpectrumSettings m_built;      // as the buffers were built
    int m_channelCount = 0;
    bool m_isComplex = false;
    int m_binCount = 0;
    int m_mainLobeWidth = 5;
    bool m_averagingRestart = true;

    BufferPool m_spectrumPool;
    std::shared_ptr<double[]> m_spectrum;
    std::mutex m_slotMutex; // the block's buffer and which slots it holds
    bool m_blockBufferTaken = false;
    std::vector<char> m_slotWritten;
    std::shared_ptr<const double[]> m_binAxis;
    size_t m_binAxisCount = 0;
    LargeArray<double> m_average;
    HalfWindow m_window;
    RealSplit m_realSplit;         // real signals: the split after the half-length transform
    TwiddleTable m_halvesTwiddles; // the first radix-2 step's twiddles (real and complex)
    int m_workerCount = 1;
    size_t m_dataCount = 0; // complex values in each Scratch::data
    std::vector<Scratch> m_scratch;
    std::unique_ptr<ComplexD[]> m_twiddles;
    std::unique_ptr<int32_t[]> m_bitReverse;
    std::unique_ptr<FftwState> m_fftw;
};
