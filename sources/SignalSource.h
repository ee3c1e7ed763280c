#pragma once
// The acquisition engine behind every view: a worker thread that, on request, obtains one block
// of multichannel ADC samples, filters it, computes the spectra and the per-channel extremes,
// and announces the block with signalDataReady(). Concrete sources supply waitForData() (the
// producer handshake) and readBlock() (the samples).
//
// Threads: the GUI reads buffers and records only between signalDataReady() and its next
// requestData(), or inside a SourceHold; it changes settings only then too.
#include "dsp/SpectrumEngine.h"
#include "sources/ChannelRecord.h"
#include "sources/FileParams.h"
#include "sources/FilterParams.h"

#include <QList>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// Filters one channel's samples in place (the digital filter of the filter dialog).
using ChannelFilter =
    std::function<void(double *samples, size_t count, double sampleRate, const FilterParams &)>;

struct BandLevel {
    double levelMv = 0.0; // RMS of the band
    int peakBin = 0;      // bin holding the largest value of the band
};

class SignalSource : public QThread {
    Q_OBJECT
public:
    explicit SignalSource(QObject *parent = nullptr);
    ~SignalSource() override;

    // --- Thread control (GUI thread) ------------------------------------------------------
    // Asks for one block; starts the thread when it is not running. One call, one block.
    void requestData();
    virtual void stopSource();
    // The waiting thread goes on at once (no producer handshake until parameters change).
    virtual void interruptWait();
    bool isRequestPending() const;
    bool isStopRequested() const;
    void setStopRequested(bool isStop);
    std::recursive_mutex &holdMutex() { return m_holdMutex; }
    // Parks the worker for a settings change: returns once no block is being served and the
    // wait has been interrupted. Prefer SourceHold. Recursive.
    void beginHold();
    void endHold();

    // Serves one block in the calling thread, without the producer handshake (the fuzzing
    // target, which must not start threads per input). Only while the thread is not running.
    void serveInline();

    void setSkipWaitOnce(bool isSkip) { m_skipWaitOnce = isSkip; }
    void setComputeSpectrum(bool isCompute) { m_computeSpectrum = isCompute; }
    // Sets both the parameters-changed flag and its copy the data cycle reads.
    void setParamsChanged(bool isChanged);
    bool rereadFlag() const { return m_rereadFlag; }
    bool waitingFlag() const { return m_waitingFlag; }
    bool waitEndedFlag() const { return m_waitEndedFlag; }
    int readStatus() const { return m_readStatus; }
    bool windowChanged() const { return m_windowChanged; }
    void setWindowChanged(bool isChanged) { m_windowChanged = isChanged; }
    bool settingsChanged() const { return m_settingsChanged; }
    void setSettingsChanged(bool isChanged) { m_settingsChanged = isChanged; }
    virtual uint32_t blockLength() const { return uint32_t(m_readLength); }

    // --- Descriptors and channels ---------------------------------------------------------
    // Replaces the first descriptor; its channel numbers start zeroed.
    virtual void setFileParams(const FileParams &params);
    int fileCount() const { return int(m_fileParams.size()); }
    const FileParams &fileParams(int file = 0) const { return m_fileParams.at(size_t(file)); }
    // The descriptor of the file that holds the current channel.
    FileParams currentFileParams() const;
    double sampleRate() const;
    int32_t voltageRangeMv() const;
    uint8_t bitRange() const;
    int totalChannelCount() const;
    QList<int> channelList() const;
    int channelIndex(int channelNumber) const;  // -1 when absent
    int fileIndexOfChannel(int channelNumber) const;
    void setCurrentChannel(int channelNumber) { m_currentChannel = channelNumber; }
    int currentChannel() const { return m_currentChannel; }

    // Channel k's readLength samples (ADC codes), or null while the channel has no data.
    const double *channelSamples(int k) const;
    const double *indexBuffer() const { return m_indexBuffer.get(); }
    const double *channelSpectrum(int k) const { return m_engine.spectrum(k); }
    const double *binAxis() const { return m_engine.binAxis(); }
    int spectrumLength() const { return m_engine.binCount(); }
    ChannelRecord *channelRecords() { return m_records.empty() ? nullptr : m_records.data(); }
    const ChannelRecord *channelRecord(int k) const;
    void setChannelRecord(int k, const ChannelRecord &record);

    // --- Read window ----------------------------------------------------------------------
    void setFftSize(uint32_t n);
    void setReadLength(uint64_t length);
    void setPosition(uint64_t pos, uint64_t length);
    void setAllDataMode(bool isAll);
    uint32_t fftSize() const { return m_fftSize; }
    uint64_t readLength() const { return m_readLength; }
    uint64_t windowStart() const { return m_windowStart; }
    uint64_t position() const { return m_position; }
    uint64_t spectrumStart() const { return m_spectrumStart; }
    bool allDataMode() const { return m_allDataMode; }

    // --- Analysis settings ----------------------------------------------------------------
    void setAverageCount(uint32_t count);
    void setSfdrBandWidth(uint32_t hz) { m_sfdrBandWidth = hz; }
    void setWindowType(uint8_t type);
    void setSidelobeLevel(double db);
    void setHarmonicCount(int count) { m_harmonicCount = count; }
    void setSpectrumRange(uint8_t range) { m_spectrumRange = range; }
    void setFilterEnabled(bool isEnabled);
    void setFilterParams(const FilterParams &params) { m_filterParams = params; }
    void setChannelFilter(ChannelFilter filter) { m_channelFilter = std::move(filter); }
    // Milliseconds slept before each producer handshake.
    void setPollInterval(int ms) { m_pollInterval = ms; }
    uint32_t averageCount() const { return m_averageCount; }
    uint8_t windowType() const { return m_windowType; }
    double sidelobeLevel() const { return m_sidelobeLevel; }
    int harmonicCount() const { return m_harmonicCount; }
    uint32_t sfdrBandWidth() const { return m_sfdrBandWidth; }
    uint8_t spectrumRange() const { return m_spectrumRange; }
    bool filterEnabled() const { return m_filterEnabled; }
    const FilterParams &filterParams() const { return m_filterParams; }
    int pollInterval() const { return m_pollInterval; }
    int mainLobeWidth() const { return m_engine.mainLobeWidth(); }

    // --- Marker read-outs (GUI thread, between blocks) -------------------------------------
    // All bins are positions in the stored spectrum (channelSpectrum), as the curves show them.
    // Frequency (Hz) of the tone around `bin`.
    std::optional<double> toneFrequency(int channelNumber, int bin) const;
    // RMS (V) of the tone around `bin`.
    std::optional<double> toneAmplitude(int channelNumber, int bin) const;
    // RMS (mV) of the bins from..to, and the strongest of them.
    std::optional<BandLevel> bandLevel(int channelNumber, int from, int to) const;

signals:
    void signalDataReady();
    void signalAddText(QString sText);

public slots:
    // Kills the thread outright (when it does not come back from a stalled producer).
    virtual void terminate();

protected:
    // The block loop; sources that must set up a channel first override it and call this one.
    void run() override;
    // Waits for the producer to offer a block; the base serves at once.
    virtual void waitForData() {}
    // Reads (or generates) the block into the buffers; -1 when nothing could be read.
    virtual int readBlock() { return 0; }

    // Concrete sources call this first in their destructor, so that the thread never runs
    // into a half-destroyed object.
    void stopAndWait();

    // Serialises the worker's block work against the GUI's hold; a hold being taken goes first.
    class WorkerLock {
    public:
        explicit WorkerLock(SignalSource &source) : m_source(source) { m_source.lockForWork(); }
        ~WorkerLock() { m_source.m_holdMutex.unlock(); }
        WorkerLock(const WorkerLock &) = delete;
        WorkerLock &operator=(const WorkerLock &) = delete;

    private:
        SignalSource &m_source;
    };
    // Inside readBlock(), before it has changed anything: lets a waiting hold in.
    void yieldToHold();

    // Replaces the sample and index buffers (channels x length doubles); the current ones stay
    // valid until the next replacement. False when the memory is not available.
    bool allocateSampleBuffers(int channels, uint64_t length);
    // Drops the sample buffer from view (kept alive until the next replacement).
    void releaseSampleBuffer();
    double *mutableChannelSamples(int k);
    int sampleBufferChannels() const { return m_sampleBuffer ? m_bufferChannels : 0; }
    uint64_t sampleBufferLength() const { return m_sampleBuffer ? m_bufferLength : 0; }
    void fillIndexBuffer(uint64_t first);
    // Marks the spectral window and tables for recomputation at the next block.
    void releaseWindowBuffer() { m_windowStale = true; }
    // Channel records for `count` channels: numbers from `numbers` (or the position), shown.
    void resetChannelRecords(int count, const QList<int> &numbers);
    // Ready spectra of a spectrum file: one N-point complex spectrum per channel; null = none.
    void setReadySpectra(std::unique_ptr<ComplexD[]> values, uint32_t fftSize);
    bool hasReadySpectra() const { return bool(m_readySpectra); }
    void filterChannel(int k, size_t count, double sampleRate);
    bool stopPending() const { return isStopRequested(); }
    // Index of the file that holds buffer channel k.
    int fileOfBufferChannel(int k) const;
    // Largest power of two not above the record length, at most 2^20.
    static uint32_t fftSizeForRecord(uint64_t sampleCount);

    std::vector<FileParams> m_fileParams{FileParams()};
    std::vector<ChannelRecord> m_records;

    std::atomic<bool> m_waitingFlag{true};
    std::atomic<bool> m_noWaitFlag{false};
    std::atomic<bool> m_waitEndedFlag{true};
    std::atomic<bool> m_paramsChangedFlag{true};
    std::atomic<bool> m_rereadFlag{false};
    std::atomic<bool> m_skipWaitOnce{false};
    std::atomic<int> m_readStatus{0};
    std::atomic<int> m_pollInterval{0};

    uint32_t m_fftSize = 1024;
    uint64_t m_readLength = 0;
    uint64_t m_windowStart = 0;
    uint64_t m_position = 0;
    uint64_t m_spectrumStart = 0;
    bool m_allDataMode = false;
    bool m_windowChanged = true;
    bool m_reloadNeeded = true;

private:
    void lockForWork();
    void serveRequest();
    void processSpectrum();
    void computeExtremes();
    SpectrumSettings spectrumSettings() const;
    const FileParams *fileHoldingCurrentChannel() const;
    // The tone centroid around `bin` of a channel's stored spectrum.
    bool toneAt(int channelNumber, int bin, double &centroid, double &power) const;

    // Standard mutexes: their ordering is visible to ThreadSanitizer, Qt's are not.
    mutable std::recursive_mutex m_stateMutex;
    bool m_requestDataFlag = false;
    bool m_stopFlag = false;
    bool m_loopActive = false;
    std::recursive_mutex m_holdMutex;
    std::atomic<int> m_holdWaiters{0};

    bool m_computeSpectrum = true;
    int m_currentChannel = 0;

    std::unique_ptr<double[]> m_sampleBuffer, m_previousSampleBuffer;
    std::unique_ptr<double[]> m_indexBuffer, m_previousIndexBuffer;
    int m_bufferChannels = 0;
    uint64_t m_bufferLength = 0;
    std::unique_ptr<ComplexD[]> m_readySpectra;
    uint32_t m_readySpectraSize = 0;

    uint32_t m_averageCount = 1;
    uint32_t m_sfdrBandWidth = 0;
    uint8_t m_windowType = 3;
    double m_sidelobeLevel = 120.0;
    int m_harmonicCount = 6;
    uint8_t m_spectrumRange = 1;
    bool m_filterEnabled = false;
    FilterParams m_filterParams;
    ChannelFilter m_channelFilter;
    bool m_settingsChanged = true;
    bool m_windowStale = true;

    SpectrumEngine m_engine;
};

// Holds the source's worker parked for the lifetime of the object.
class SourceHold {
public:
    explicit SourceHold(SignalSource &source) : m_source(source) { m_source.beginHold(); }
    ~SourceHold() { m_source.endHold(); }
    SourceHold(const SourceHold &) = delete;
    SourceHold &operator=(const SourceHold &) = delete;

private:
    SignalSource &m_source;
};
