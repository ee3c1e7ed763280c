#pragma once
// The acquisition engine behind every view: a worker thread that, on request, obtains one block
// of multichannel ADC samples, filters it, computes the spectra and the per-channel extremes,
// and publishes the block as an immutable BlockSnapshot with signalDataReady(). Concrete
// sources supply waitForData() (the producer handshake) and readBlock() (the samples).
//
// Threads: the GUI reads blocks only through the snapshots it is handed; it changes the
// source's state (files, window, settings) only inside a SourceHold or while no request is
// pending. The worker never writes into a buffer a snapshot holds. The per-channel steps of a
// block (codes, filter, spectrum, extremes) run across the worker's own pool of threads, each
// channel on one of them, so that a block comes out the same to the bit at any thread count.
#include "dsp/BufferPool.h"
#include "dsp/SpectrumEngine.h"
#include "dsp/WorkerPool.h"
#include "sources/BlockFilter.h"
#include "sources/BlockSnapshot.h"
#include "sources/ChannelMap.h"
#include "sources/ChannelRecord.h"
#include "sources/FileParams.h"
#include "sources/settings/FilterParams.h"
#include "sources/ReadWindow.h"

#include <QList>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// Filters one channel's samples in place (the digital filter of the filter dialog); returns an
// empty string, or why the samples were left as they were.
using ChannelFilter =
    std::function<QString(double *samples, size_t count, double sampleRate, const FilterParams &)>;

// What sets one kind of source apart from the others, so that the window asks the source
// instead of checking which kind it is.
struct SourceTraits {
    // Blocks come when a producer offers them (polled); otherwise at once on request, so the
    // first block of a single start is already complete.
    bool waitsForProducer = true;
    // Channel gains and frequency shifts come from a record's description.
    bool hasRecordGains = true;
    // The analysed block is a part of a longer read window, worth marking on the trace.
    bool readsWindows = true;
};

class SignalSource : public QThread {
    Q_OBJECT
public:
    explicit SignalSource(QObject *parent = nullptr);
    ~SignalSource() override;

    virtual SourceTraits traits() const { return {}; }

    // --- Thread control (GUI thread) ------------------------------------------------------
    // Asks for one block; starts the thread when it is not running. One call, one block.
    void requestData();
    virtual void stopSource();
    // The waiting thread goes on at once (no producer handshake until parameters change).
    virtual void interruptWait();
    bool isRequestPending() const;
    bool isStopRequested() const;
    void setStopRequested(bool isStop);
    // Parks the worker for a settings change: returns once no block is being served and the
    // wait has been interrupted. Prefer SourceHold. Recursive.
    void beginHold();
    void endHold();
    // Serves one block in the calling thread, without the producer handshake (the fuzzing
    // target, which must not start threads per input). Only while the thread is not running.
    void serveInline();

    void setSkipWaitOnce(bool isSkip) { m_skipWaitOnce = isSkip; }
    void setComputeSpectrum(bool isCompute) { m_computeSpectrum = isCompute; }
    // true: the worker re-reads the parameters at its next block and the cycle rebuilds its
    // channels; false: the cycle has taken in the last block's change (a newer one stays).
    void setParamsChanged(bool isChanged);
    bool rereadFlag() const { return m_rereadFlag; }
    bool waitingFlag() const { return m_waitingFlag; }
    bool waitEndedFlag() const { return m_waitEndedFlag; }
    int readStatus() const { return m_readStatus; }
    bool windowChanged() const { return m_window.windowChanged; }
    void setWindowChanged(bool isChanged) { m_window.windowChanged = isChanged; }
    bool settingsChanged() const { return m_settingsChanged; }
    void setSettingsChanged(bool isChanged) { m_settingsChanged = isChanged; }
    virtual uint32_t blockLength() const { return uint32_t(m_window.readLength); }

    // The block the last request delivered, as signalDataReady() carried it; null before the
    // first. Any thread.
    BlockSnapshotPtr lastBlock() const;

    // --- Descriptors and channels (the worker's state) -----------------------------------
    // Replaces the first descriptor; its channel numbers start zeroed.
    virtual void setFileParams(const FileParams &params);
    const FileParams &fileParams(int file = 0) const { return m_fileParams.at(size_t(file)); }
    ChannelMap channelMap() const { return ChannelMap(m_fileParams); }
    void setCurrentChannel(int channelNumber) { m_currentChannel = channelNumber; }
    int currentChannel() const { return m_currentChannel; }
    // The generator's settings live in the channel records.
    const ChannelRecord *channelRecord(int k) const;
    void setChannelRecord(int k, const ChannelRecord &record);

    // --- Read window ----------------------------------------------------------------------
    void setFftSize(uint32_t n);
    void setReadLength(uint64_t length);
    void setPosition(uint64_t pos, uint64_t length);
    void setAllDataMode(bool isAll);
    const ReadWindow &readWindow() const { return m_window; }
    uint32_t fftSize() const { return m_spectrum.fftSize; }
    uint64_t readLength() const { return m_window.readLength; }
    bool allDataMode() const { return m_window.allDataMode; }

    // --- Analysis settings ----------------------------------------------------------------
    // Every spectrum setting at once; N goes through setFftSize's rules.
    void setSpectrumSettings(const SpectrumSettings &settings);
    const SpectrumSettings &spectrumSettings() const { return m_spectrum; }
    // Filtering on or off and its parameters: any thread, any time; the worker takes both at
    // the start of each block and keeps them for the whole block.
    void setFilterEnabled(bool isEnabled);
    void setFilterParams(const FilterParams &params);
    FilterParams filterParams() const;
    // Replaces the filter of the filter dialog (tests). Set before the first request.
    void setChannelFilter(ChannelFilter filter) { m_channelFilter = std::move(filter); }
    // Milliseconds slept before each producer handshake.
    void setPollInterval(int ms) { m_pollInterval = ms; }
    // Threads that work on a block's channels, the worker's own included; 0 (the default) for
    // machineThreadCount(). Any thread; taken at the next block.
    void setWorkerThreads(int count) { m_workerThreads = count; }

signals:
    void signalDataReady(BlockSnapshotPtr block);
    void signalAddText(QString sText);

public slots:
    // Kills the thread outright (when it does not come back from a stalled producer).
    virtual void terminate();

protected:
    // The block loop; sources that must set up a channel first override it and call this one.
    void run() override;
    // In the worker as the loop ends, before its last lock: what a source set up for the run
    // (a connection, mapped regions) is released here, ordered before a later run and the
    // destructor.
    virtual void endRun() {}
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

    // Sets the sample buffer to channels x length doubles and takes a writable one. False when
    // the memory is not available.
    bool allocateSampleBuffers(int channels, uint64_t length);
    // Before a block writes samples: a buffer no snapshot holds (the current one while it has
    // not been published). False when the memory is not available.
    bool beginSampleWrite();
    // No samples until the next allocation; snapshots keep theirs.
    void releaseSampleBuffer();
    const double *channelSamples(int k) const;
    double *mutableChannelSamples(int k);
    int sampleBufferChannels() const { return m_samples ? m_bufferChannels : 0; }
    uint64_t sampleBufferLength() const { return m_samples ? m_bufferLength : 0; }
    bool fillIndexBuffer(uint64_t first);
    // Marks the spectral window and tables for recomputation at the next block.
    void releaseWindowBuffer() { m_windowStale = true; }
    // Channel records for `count` channels: numbers from `numbers` (or the position), shown.
    void resetChannelRecords(int count, const QList<int> &numbers);
    // Ready spectra of a spectrum file: one N-point complex spectrum per channel; null = none.
    void setReadySpectra(std::unique_ptr<ComplexD[]> values, uint32_t fftSize);
    bool hasReadySpectra() const { return bool(m_readySpectra); }
    // Samples before a block that the filter of the block being served runs in on at
    // sampleRate; 0 while filtering is off.
    size_t filterLeadIn(double sampleRate);
    // Filters channel k's first `count` samples with the block's filter settings, when on,
    // run in over the `leadCount` samples of the record before them; fewer than
    // filterLeadIn() leave the block's first samples unsettled, which the block reports.
    void filterChannel(int k, size_t count, double sampleRate, const double *leadIn = nullptr,
                       size_t leadCount = 0);
    // filterChannel in two halves, so that channels filter on several workers: the filtering,
    // on `worker`'s filter (one channel per call, any pool thread), and the noting of its
    // outcome in the block's status, in channel order on the worker thread.
    struct FilterOutcome {
        bool filtered = false;
        QString status;
        uint64_t unsettled = 0;
    };
    FilterOutcome filterSamples(int worker, int k, size_t count, double sampleRate,
                                const double *leadIn, size_t leadCount);
    void noteFilterOutcome(const FilterOutcome &outcome);
    // Runs job(item, worker) for items 0 .. count - 1 across the block's threads (see
    // WorkerPool::run); in readBlock() and the steps after it.
    void runParallel(int count, const WorkerPool::Job &job) { m_pool->run(count, job); }
    int workerCount() const { return m_pool->threadCount(); }
    bool stopPending() const { return isStopRequested(); }
    int fileOfBufferChannel(int k) const { return channelMap().fileOfIndex(k); }
    int totalChannelCount() const { return channelMap().totalCount(); }
    QList<int> channelList() const { return channelMap().numbers(); }

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
    QString m_readFailure; // worker only: what the user is told when a read fails
    QString m_postfixProblem; // worker only: the key, value and rule a refused postfix breaks

    ReadWindow m_window;
    SpectrumSettings m_spectrum;

private:
    void lockForWork();
    void preparePool();
    void serveRequest();
    void takeFilterSettings();
    void processSpectrum();
    void computeExtremes();
    void publishBlock();

    // Standard mutexes: their ordering is visible to ThreadSanitizer, Qt's are not.
    mutable std::recursive_mutex m_stateMutex;
    bool m_requestDataFlag = false;
    bool m_stopFlag = false;
    bool m_loopActive = false;
    BlockSnapshotPtr m_lastBlock;
    std::recursive_mutex m_holdMutex;
    std::atomic<int> m_holdWaiters{0};

    std::atomic<bool> m_computeSpectrum{true};
    int m_currentChannel = 0;

    BufferPool m_samplePool, m_indexPool;
    std::shared_ptr<double[]> m_samples, m_index;
    bool m_samplesPublished = false;
    bool m_indexPublished = false;
    uint64_t m_indexLength = 0;
    int m_bufferChannels = 0;
    uint64_t m_bufferLength = 0;
    std::unique_ptr<ComplexD[]> m_readySpectra;
    uint32_t m_readySpectraSize = 0;

    // As set by the GUI (under m_stateMutex), and as the worker took them for its block.
    bool m_filterEnabled = false;
    FilterParams m_filterParams;
    bool m_blockFilterEnabled = false;
    FilterParams m_blockFilterParams;
    QString m_filterStatus; // of the block being served: why a channel was left unfiltered
    bool m_filterStatusTaken = false;
    uint64_t m_filterUnsettled = 0; // of the block being served
    ChannelFilter m_channelFilter;
    std::mutex m_channelFilterMutex; // a test's filter sees one channel at a time
    std::vector<BlockFilter> m_blockFilters{1}; // one per worker: each keeps its design and scratch
    bool m_settingsChanged = true;
    bool m_windowStale = true;

    SpectrumEngine m_engine;
    std::atomic<int> m_workerThreads{0};
    std::unique_ptr<WorkerPool> m_pool{new WorkerPool(1)};
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
