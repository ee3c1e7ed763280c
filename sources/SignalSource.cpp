#include "sources/SignalSource.h"

#include "dsp/Fft.h"
#include "sources/ThreadHandOff.h"

#include <algorithm>
#include <cmath>
#include <new>

SignalSource::SignalSource(QObject *parent) : QThread(parent)
{
    qRegisterMetaType<BlockSnapshotPtr>();
}

SignalSource::~SignalSource() { stopAndWait(); }

// --- Thread control ----------------------------------------------------------------------

void SignalSource::requestData()
{
    bool start = false;
    {
        std::unique_lock<std::recursive_mutex> lock(m_stateMutex);
        m_requestDataFlag = true;
        if (!m_loopActive) {
            m_loopActive = true;
            start = true;
        }
    }
    if (start) {
        wait(); // a loop that has just left may still be finishing
        QThread::start(QThread::InheritPriority);
    }
}

void SignalSource::stopSource()
{
    std::unique_lock<std::recursive_mutex> lock(m_stateMutex);
    m_stopFlag = true;
}

void SignalSource::interruptWait() { m_noWaitFlag = true; }

bool SignalSource::isRequestPending() const
{
    std::unique_lock<std::recursive_mutex> lock(m_stateMutex);
    return m_requestDataFlag;
}

bool SignalSource::isStopRequested() const
{
    std::unique_lock<std::recursive_mutex> lock(m_stateMutex);
    return m_stopFlag;
}

void SignalSource::setStopRequested(bool isStop)
{
    std::unique_lock<std::recursive_mutex> lock(m_stateMutex);
    m_stopFlag = isStop;
}

void SignalSource::beginHold()
{
    ++m_holdWaiters;
    m_holdMutex.lock();
    --m_holdWaiters;
    interruptWait();
}

void SignalSource::endHold() { m_holdMutex.unlock(); }

void SignalSource::lockForWork()
{
    // A hold being taken goes first, so that a busy worker cannot starve the GUI.
    while (m_holdWaiters.load() > 0)
        QThread::yieldCurrentThread();
    m_holdMutex.lock();
}

void SignalSource::yieldToHold()
{
    if (m_holdWaiters.load() == 0)
        return;
    m_holdMutex.unlock();
    lockForWork();
}

void SignalSource::terminate()
{
    QThread::terminate();
    wait();
    // The loop did not run its way out; a later request must be able to start it again.
    std::unique_lock<std::recursive_mutex> lock(m_stateMutex);
    m_stopFlag = false;
    m_requestDataFlag = false;
    m_loopActive = false;
}

void SignalSource::stopAndWait()
{
    if (isRunning()) {
        stopSource();
        wait();
    }
    // The loop's last act took this lock: everything it wrote is now ours to tear down, also
    // when the run ended before (a wait the sanitizer cannot see).
    std::unique_lock<std::recursive_mutex> lock(m_stateMutex);
}

void SignalSource::setParamsChanged(bool isChanged)
{
    // The cycle acknowledges the block it has shown; a change made in a hold after that block
    // was served stays pending for the worker, which clears it when it acts on it.
    if (isChanged)
        m_paramsChangedFlag = true;
    m_rereadFlag = isChanged;
}

void SignalSource::run()
{
    for (;;) {
        {
            std::unique_lock<std::recursive_mutex> lock(m_stateMutex);
            if (m_stopFlag)
                break;
            if (!m_requestDataFlag) {
                lock.unlock();
                QThread::msleep(1);
                continue;
            }
        }
        m_readStatus = 0;
        if (!m_skipWaitOnce)
            waitForData();
        if (isStopRequested())
            break;
        serveRequest();
        BlockSnapshotPtr block;
        {
            std::unique_lock<std::recursive_mutex> lock(m_stateMutex);
            m_requestDataFlag = false;
            block = m_lastBlock;
        }
        handOver(block.get());
        emit signalDataReady(block);
    }
    endRun();
    std::unique_lock<std::recursive_mutex> lock(m_stateMutex);
    m_stopFlag = false;
    m_requestDataFlag = false;
    m_loopActive = false;
}

void SignalSource::serveInline()
{
    if (isRunning())
        return;
    m_readStatus = 0;
    serveRequest();
}

void SignalSource::preparePool()
{
    // More threads than this never pay off for one block's channels.
    constexpr int MaxThreads = 64;
    const int wanted = m_workerThreads.load();
    const int count = std::clamp(wanted > 0 ? wanted : machineThreadCount(), 1, MaxThreads);
    if (m_pool->threadCount() != count) {
        m_pool.reset();
        m_pool = std::make_unique<WorkerPool>(count);
    }
    m_engine.setWorkerCount(count);
    m_blockFilters.resize(size_t(count));
}

void SignalSource::serveRequest()
{
    WorkerLock lock(*this);
    preparePool();
    takeFilterSettings();
    const bool changed = m_paramsChangedFlag.exchange(false);
    if (changed)
        m_rereadFlag = true;
    m_readFailure.clear();
    m_postfixProblem.clear();
    const int result = readBlock();
    m_skipWaitOnce = false;
    if (result == -1 && changed)
        m_paramsChangedFlag = true; // not taken in: the next block tries again
    if (result != -1) {
        // A record shorter than N: analyse no more than it holds.
        const uint64_t samples = m_fileParams.front().sampleCount;
        if (samples != 0 && samples < m_spectrum.fftSize && m_samples)
            setFftSize(fftSizeForRecord(samples));
        if (m_computeSpectrum)
            processSpectrum();
        computeExtremes();
    }
    publishBlock();
}

void SignalSource::publishBlock()
{
    auto block = std::make_shared<BlockSnapshot>();
    block->fileParams = m_fileParams;
    block->channels = ChannelMap(m_fileParams);
    block->records = m_records;
    block->window = m_window;
    block->readStatus = m_readStatus;
    block->readFailure = m_readFailure;
    block->postfixProblem = m_postfixProblem;
    block->filterStatus = m_filterStatus;
    block->filterUnsettled = m_filterUnsettled;
    block->samples = m_samples;
    block->index = m_index;
    block->sampleChannels = sampleBufferChannels();
    block->sampleLength = sampleBufferLength();
    m_samplesPublished = m_samples != nullptr;
    m_indexPublished = m_index != nullptr;
    if (m_engine.isReady()) {
        block->spectra = m_engine.spectra();
        block->binAxis = m_engine.binAxisBuffer();
        block->spectrumChannels = m_engine.channelCount();
        block->binCount = m_engine.binCount();
        block->fftSize = m_engine.fftSize();
        block->spectrumComplex = m_engine.isComplex();
        block->mainLobeWidth = m_engine.mainLobeWidth();
    }
    block->spectrum = m_spectrum;
    block->readySpectra = hasReadySpectra();
    std::unique_lock<std::recursive_mutex> lock(m_stateMutex);
    m_lastBlock = std::move(block);
}

BlockSnapshotPtr SignalSource::lastBlock() const
{
    std::unique_lock<std::recursive_mutex> lock(m_stateMutex);
    return m_lastBlock;
}

// --- Descriptors and channels ------------------------------------------------------------

void SignalSource::setFileParams(const FileParams &params)
{
    FileParams &current = m_fileParams.front();
    if (params.multiChannel != current.multiChannel)
        releaseWindowBuffer();
    current = params;
    current.channelNumbers.assign(params.hasChannels() ? params.channelCount : 0, 0);
    m_paramsChangedFlag = true;
}

const double *SignalSource::channelSamples(int k) const
{
    if (!m_samples || k < 0 || k >= m_bufferChannels)
        return nullptr;
    return m_samples.get() + size_t(k) * size_t(m_bufferLength);
}

double *SignalSource::mutableChannelSamples(int k)
{
    return const_cast<double *>(channelSamples(k));
}

const ChannelRecord *SignalSource::channelRecord(int k) const
{
    if (k < 0 || size_t(k) >= m_records.size())
        return nullptr;
    return &m_records[size_t(k)];
}

void SignalSource::setChannelRecord(int k, const ChannelRecord &record)
{
    if (k < 0 || size_t(k) >= m_records.size())
        return;
    // Generator settings; whether the channel is shown stays the display's business.
    const bool shown = m_records[size_t(k)].shown;
    m_records[size_t(k)] = record;
    m_records[size_t(k)].shown = shown;
    m_paramsChangedFlag = true;
}

void SignalSource::resetChannelRecords(int count, const QList<int> &numbers)
{
    m_records.assign(size_t(std::max(count, 0)), ChannelRecord());
    for (int j = 0; j < count; ++j) {
        m_records[size_t(j)].channelNumber = j < numbers.size() ? numbers.at(j) : j;
        m_records[size_t(j)].shown = true;
    }
}

// --- Buffers -----------------------------------------------------------------------------

bool SignalSource::allocateSampleBuffers(int channels, uint64_t length)
{
    if (channels <= 0 || length == 0 || length > UINT64_MAX / uint64_t(channels) ||
        uint64_t(channels) * length > SIZE_MAX / sizeof(double))
        return false;
    m_bufferChannels = channels;
    m_bufferLength = length;
    m_samples.reset();
    m_samplesPublished = false;
    return beginSampleWrite();
}

bool SignalSource::beginSampleWrite()
{
    if (m_samples && !m_samplesPublished)
        return true;
    m_samples = m_samplePool.take(size_t(m_bufferChannels) * size_t(m_bufferLength));
    m_samplesPublished = false;
    return m_samples != nullptr;
}

void SignalSource::releaseSampleBuffer() { m_samples.reset(); }

bool SignalSource::fillIndexBuffer(uint64_t first)
{
    if (!m_index || m_indexPublished || m_indexLength != m_bufferLength) {
        m_index = m_indexPool.take(size_t(m_bufferLength));
        m_indexLength = m_bufferLength;
        m_indexPublished = false;
    }
    if (!m_index)
        return false;
    for (uint64_t k = 0; k < m_bufferLength; ++k)
        m_index[size_t(k)] = double(first + k);
    return true;
}

void SignalSource::setReadySpectra(std::unique_ptr<ComplexD[]> values, uint32_t fftSize)
{
    m_readySpectra = std::move(values);
    m_readySpectraSize = m_readySpectra ? fftSize : 0;
}

void SignalSource::takeFilterSettings()
{
    bool enabled;
    {
        std::unique_lock<std::recursive_mutex> lock(m_stateMutex);
        enabled = m_filterEnabled;
        m_blockFilterParams = m_filterParams;
    }
    // Switching filtering marks the window for recomputation, as every change of what the
    // spectrum is computed from does.
    if (enabled != m_blockFilterEnabled)
        releaseWindowBuffer();
    m_blockFilterEnabled = enabled;
    // A block served again without filtering (the generator's repeat) keeps its status.
    m_filterStatusTaken = false;
    if (!enabled) {
        m_filterStatus.clear();
        m_filterUnsettled = 0;
    }
}

size_t SignalSource::filterLeadIn(double sampleRate)
{
    if (!m_blockFilterEnabled || m_channelFilter)
        return 0;
    return m_blockFilters.front().settlingLength(sampleRate, m_blockFilterParams);
}

void SignalSource::filterChannel(int k, size_t count, double sampleRate, const double *leadIn,
                                 size_t leadCount)
{
    noteFilterOutcome(filterSamples(0, k, count, sampleRate, leadIn, leadCount));
}

SignalSource::FilterOutcome SignalSource::filterSamples(int worker, int k, size_t count,
                                                        double sampleRate, const double *leadIn,
                                                        size_t leadCount)
{
    FilterOutcome outcome;
    double *samples = mutableChannelSamples(k);
    if (!m_blockFilterEnabled || !samples)
        return outcome;
    const size_t n = size_t(std::min<uint64_t>(count, m_bufferLength));
    BlockFilter &filter = m_blockFilters[size_t(worker)];
    if (m_channelFilter) {
        std::lock_guard<std::mutex> lock(m_channelFilterMutex);
        outcome.status = m_channelFilter(samples, n, sampleRate, m_blockFilterParams);
    } else {
        outcome.status = filter.apply(samples, n, leadIn, leadCount, sampleRate, m_blockFilterParams);
    }
    const size_t settling =
        m_channelFilter ? 0 : filter.settlingLength(sampleRate, m_blockFilterParams);
    outcome.unsettled =
        outcome.status.isEmpty() && settling > leadCount ? std::min(settling - leadCount, n) : 0;
    outcome.filtered = true;
    return outcome;
}

void SignalSource::noteFilterOutcome(const FilterOutcome &outcome)
{
    if (!outcome.filtered)
        return;
    if (!m_filterStatusTaken) {
        m_filterStatus = outcome.status;
        m_filterUnsettled = outcome.unsettled;
    } else {
        if (m_filterStatus.isEmpty())
            m_filterStatus = outcome.status;
        m_filterUnsettled = std::max(m_filterUnsettled, outcome.unsettled);
    }
    m_filterStatusTaken = true;
}

// --- Read window -------------------------------------------------------------------------

void SignalSource::setFftSize(uint32_t n)
{
    if (n == m_spectrum.fftSize)
        return;
    // The spectrum path only transforms powers of two.
    uint32_t size = n < 2 ? 2 : 1u << log2Floor(n);
    releaseWindowBuffer();
    const uint64_t samples = m_fileParams.front().sampleCount;
    if (samples != 0 && samples < size)
        size = fftSizeForRecord(samples);
    m_spectrum.fftSize = size;
    setPosition(m_window.position, std::max<uint64_t>(m_window.readLength, 3 * uint64_t(size)));
    m_settingsChanged = true;
}

void SignalSource::setReadLength(uint64_t length)
{
    m_window.setReadLength(length, m_spectrum.fftSize, m_fileParams.front().sampleCount);
}

void SignalSource::setPosition(uint64_t pos, uint64_t length)
{
    m_window.setPosition(pos, length, m_spectrum.fftSize, m_fileParams.front().sampleCount);
}

void SignalSource::setAllDataMode(bool isAll) { m_window.setAllDataMode(isAll); }

// --- Analysis settings -------------------------------------------------------------------

void SignalSource::setSpectrumSettings(const SpectrumSettings &settings)
{
    setFftSize(settings.fftSize);
    const SpectrumSettings before = m_spectrum;
    m_spectrum = settings;
    m_spectrum.fftSize = before.fftSize;
    if (settings.windowType != before.windowType)
        releaseWindowBuffer();
    if (settings.windowType != before.windowType ||
        settings.sidelobeLevel != before.sidelobeLevel ||
        settings.averageCount != before.averageCount)
        m_settingsChanged = true;
}

void SignalSource::setFilterEnabled(bool isEnabled)
{
    std::unique_lock<std::recursive_mutex> lock(m_stateMutex);
    m_filterEnabled = isEnabled;
}

void SignalSource::setFilterParams(const FilterParams &params)
{
    std::unique_lock<std::recursive_mutex> lock(m_stateMutex);
    m_filterParams = params;
}

FilterParams SignalSource::filterParams() const
{
    std::unique_lock<std::recursive_mutex> lock(m_stateMutex);
    return m_filterParams;
}

// --- Per-block processing ----------------------------------------------------------------

void SignalSource::processSpectrum()
{
    const FileParams &first = m_fileParams.front();
    const bool ready = hasReadySpectra();
    const ChannelMap map(m_fileParams);
    const int channels = std::min<int>(map.totalCount(), int(m_records.size()));
    if (channels <= 0 || (!ready && !m_samples))
        return;
    if (m_engine.beginBlock(m_spectrum, channels, first.isComplex,
                            m_settingsChanged || m_windowStale))
        m_settingsChanged = true;
    m_windowStale = false;
    if (!m_engine.isReady())
        return;

    const uint64_t n = m_engine.fftSize();
    if (ready && n != m_readySpectraSize)
        return;
    // The analysed block must lie inside the buffer, whatever the window arithmetic left.
    if (!ready && m_bufferLength < n)
        return;
    const uint64_t offset = ready ? 0 : m_window.spectrumOffset(m_bufferLength, uint32_t(n));
    const bool pairs = first.isComplex && !ready;
    const double fullScale = fullScaleCode(first.bitRange);
    // The slots to analyse, each independent of the others: shown channels, and of I/Q pairs
    // the I half (an unpaired last channel is left alone).
    std::vector<int> chosen;
    for (int k = 0; k < channels; k += pairs ? 2 : 1) {
        if (pairs && k + 1 >= channels)
            break;
        if (m_records[size_t(k)].shown)
            chosen.push_back(k);
    }
    runParallel(int(chosen.size()), [&](int item, int worker) {
        const int k = chosen[size_t(item)];
        ChannelRecord &record = m_records[size_t(k)];
        const double rate = m_fileParams[size_t(map.fileOfIndex(k))].sampleRate;
        if (ready) {
            m_engine.analyseReadySpectrum(k, m_readySpectra.get() + size_t(k) * n,
                                          first.voltageRangeMv, rate, record, worker);
            return;
        }
        const double *re = channelSamples(k);
        const double *im = pairs ? channelSamples(k + 1) : nullptr;
        if (!re || (pairs && !im))
            return;
        m_engine.analyseSamples(k, re + offset, im ? im + offset : nullptr, fullScale,
                                first.voltageRangeMv, rate, record, worker);
        if (pairs) {
            m_records[size_t(k) + 1].takeMeasurements(record);
            m_engine.copySpectrum(k, k + 1);
        }
    });
    m_engine.endBlock();
}

void SignalSource::computeExtremes()
{
    if (!m_samples)
        return;
    const int channels = std::min<int>({totalChannelCount(), m_bufferChannels,
                                        int(m_records.size())});
    runParallel(channels, [this](int j, int) {
        const double *s = channelSamples(j);
        double high = s[0], low = s[0];
        for (uint64_t i = 1; i < m_bufferLength; ++i) {
            if (s[i] > high)
                high = s[i];
            if (s[i] < low)
                low = s[i];
        }
        m_records[size_t(j)].maximum = high;
        m_records[size_t(j)].minimum = low;
    });
}
