#include "sources/SignalSource.h"

#include "dsp/Fft.h"
#include "dsp/ToneCentroid.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

template <typename T> std::unique_ptr<T[]> tryAllocate(uint64_t count)
{
    if (count == 0 || count > SIZE_MAX / sizeof(T))
        return nullptr;
    return std::unique_ptr<T[]>(new (std::nothrow) T[size_t(count)]);
}

} // namespace

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ORMA_THREAD_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_THREAD__) || defined(ORMA_THREAD_SANITIZER)
// Qt comes from the distribution, not built for ThreadSanitizer: the locks of its event queue
// and connection lists are invisible to it, and the queued signalDataReady() is reported as
// racing inside Qt. Only those Qt internals are excused; everything this program shares
// across threads is ordered by standard mutexes and atomics, which the sanitizer does see.
extern "C" const char *__tsan_default_suppressions()
{
    return "race:QObjectPrivate::Connection\n"
           "race:QObjectPrivate::connectImpl\n"
           "race:QCoreApplication::postEvent\n"
           "race:QCoreApplicationPrivate::sendPostedEvents\n"
           "race:QMetaCallEvent\n"
           "race:QWaitCondition\n"
           "race:QTest::qRun\n" // the test runner's watchdog thread
           // Qt's own memory moves on its event queue and shared strings, whose locks and
           // reference counts it does not show.
           "called_from_lib:libQt5Core.so.5\n"
           // The GLib under Qt's event dispatcher frees a finished thread's memory from the
           // next thread, ordered by the thread join it does not show.
           "race:libglib-2.0.so.0\n"
           // A source is destroyed after QThread::wait() saw its thread end; that wait
           // synchronises inside Qt, so the sanitizer takes the frees for races.
           "race:SignalSource::~SignalSource\n"
           "race:FileSource::~FileSource\n"
           "race:SignalSimulation::~SignalSimulation\n";
}
#endif
SignalSource::SignalSource(QObject *parent) : QThread(parent) {}

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
    if (!isRunning())
        return;
    stopSource();
    wait();
    // The loop's last act took this lock: everything it wrote is now ours to tear down.
    std::unique_lock<std::recursive_mutex> lock(m_stateMutex);
}

void SignalSource::setParamsChanged(bool isChanged)
{
    m_paramsChangedFlag = isChanged;
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
        {
            std::unique_lock<std::recursive_mutex> lock(m_stateMutex);
            m_requestDataFlag = false;
        }
        emit signalDataReady();
    }
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

void SignalSource::serveRequest()
{
    WorkerLock lock(*this);
    if (m_paramsChangedFlag)
        m_rereadFlag = true;
    const int result = readBlock();
    m_skipWaitOnce = false;
    if (result == -1)
        return;
    // A record shorter than N: analyse no more than it holds.
    const uint64_t samples = m_fileParams.front().sampleCount;
    if (samples != 0 && samples < m_fftSize && m_sampleBuffer)
        setFftSize(fftSizeForRecord(samples));
    if (m_computeSpectrum)
        processSpectrum();
    computeExtremes();
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

const FileParams *SignalSource::fileHoldingCurrentChannel() const
{
    return &m_fileParams.at(size_t(fileIndexOfChannel(m_currentChannel)));
}

FileParams SignalSource::currentFileParams() const { return *fileHoldingCurrentChannel(); }

double SignalSource::sampleRate() const
{
    const FileParams &p = m_fileParams.front();
    return p.channelCount ? p.sampleRate : 0.0;
}

int32_t SignalSource::voltageRangeMv() const
{
    const FileParams &p = m_fileParams.front();
    return p.channelCount ? p.voltageRangeMv : 0;
}

uint8_t SignalSource::bitRange() const
{
    const FileParams &p = m_fileParams.front();
    return p.channelCount ? p.bitRange : 0;
}

int SignalSource::totalChannelCount() const
{
    uint64_t total = 0;
    for (const FileParams &p : m_fileParams) {
        if (p.hasChannels())
            total += p.channelCount;
    }
    return int(std::min<uint64_t>(total, INT32_MAX));
}

QList<int> SignalSource::channelList() const
{
    QList<int> list;
    const FileParams &first = m_fileParams.front();
    if (first.channelNumbers.empty())
        return list;
    for (int n : first.channelNumbers)
        list << n;
    // Later files continue the numbering after the first file's last channel.
    int next = list.last() + 1;
    for (size_t i = 1; i < m_fileParams.size(); ++i) {
        const FileParams &p = m_fileParams[i];
        for (uint32_t c = 0; p.hasChannels() && c < p.channelCount; ++c)
            list << next++;
    }
    return list;
}

int SignalSource::channelIndex(int channelNumber) const
{
    return channelList().indexOf(channelNumber);
}

int SignalSource::fileIndexOfChannel(int channelNumber) const
{
    const int index = channelIndex(channelNumber);
    if (index < 0)
        return 0;
    return fileOfBufferChannel(index);
}

int SignalSource::fileOfBufferChannel(int k) const
{
    uint64_t end = 0;
    for (size_t i = 0; i < m_fileParams.size(); ++i) {
        if (m_fileParams[i].hasChannels())
            end += m_fileParams[i].channelCount;
        if (uint64_t(k) < end)
            return int(i);
    }
    return 0;
}

const double *SignalSource::channelSamples(int k) const
{
    if (!m_sampleBuffer || k < 0 || k >= m_bufferChannels)
        return nullptr;
    return m_sampleBuffer.get() + size_t(k) * size_t(m_bufferLength);
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
    m_records[size_t(k)] = record;
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
    if (channels <= 0 || length == 0 || length > UINT64_MAX / uint64_t(channels))
        return false;
    auto samples = tryAllocate<double>(uint64_t(channels) * length);
    auto index = tryAllocate<double>(length);
    if (!samples || !index)
        return false;
    // The block before stays readable until the next replacement.
    m_previousSampleBuffer = std::move(m_sampleBuffer);
    m_previousIndexBuffer = std::move(m_indexBuffer);
    m_sampleBuffer = std::move(samples);
    m_indexBuffer = std::move(index);
    m_bufferChannels = channels;
    m_bufferLength = length;
    return true;
}

void SignalSource::releaseSampleBuffer()
{
    if (!m_sampleBuffer)
        return;
    m_previousSampleBuffer = std::move(m_sampleBuffer);
}

void SignalSource::fillIndexBuffer(uint64_t first)
{
    if (!m_indexBuffer)
        return;
    for (uint64_t k = 0; k < m_bufferLength; ++k)
        m_indexBuffer[size_t(k)] = double(first + k);
}

void SignalSource::setReadySpectra(std::unique_ptr<ComplexD[]> values, uint32_t fftSize)
{
    m_readySpectra = std::move(values);
    m_readySpectraSize = m_readySpectra ? fftSize : 0;
}

void SignalSource::filterChannel(int k, size_t count, double sampleRate)
{
    double *samples = mutableChannelSamples(k);
    if (m_filterEnabled && m_channelFilter && samples)
        m_channelFilter(samples, std::min<size_t>(count, m_bufferLength), sampleRate,
                        m_filterParams);
}

// --- Read window -------------------------------------------------------------------------

uint32_t SignalSource::fftSizeForRecord(uint64_t sampleCount)
{
    uint32_t n = 1u << 20;
    while (n > 1 && n > sampleCount)
        n >>= 1;
    return n;
}

void SignalSource::setFftSize(uint32_t n)
{
    if (n == m_fftSize)
        return;
    // The spectrum path only transforms powers of two.
    uint32_t size = n < 2 ? 2 : 1u << log2Floor(n);
    releaseWindowBuffer();
    const uint64_t samples = m_fileParams.front().sampleCount;
    if (samples != 0 && samples < size)
        size = fftSizeForRecord(samples);
    m_fftSize = size;
    setPosition(m_position, std::max<uint64_t>(m_readLength, 3 * uint64_t(m_fftSize)));
    m_settingsChanged = true;
}

void SignalSource::setReadLength(uint64_t length)
{
    if (m_allDataMode)
        return;
    length = std::max<uint64_t>(length, 3 * uint64_t(m_fftSize));
    const uint64_t samples = m_fileParams.front().sampleCount;
    if (samples != 0 && length > samples)
        length = samples;
    if (length != m_readLength) {
        m_readLength = length;
        m_windowChanged = true;
    }
}

void SignalSource::setPosition(uint64_t pos, uint64_t length)
{
    const uint64_t samples = m_fileParams.front().sampleCount;
    if (pos == 0 && length == 0) {
        // The whole record, from its start.
        setReadLength(samples);
        m_windowStart = m_position = m_spectrumStart = 0;
        m_reloadNeeded = true;
        return;
    }
    m_position = m_spectrumStart = pos;
    setReadLength(length);
    const uint64_t span = std::max<uint64_t>(length, m_fftSize);
    const bool inside = pos >= m_windowStart && pos - m_windowStart <= m_readLength &&
                        span <= m_readLength - (pos - m_windowStart);
    if (!inside || m_windowChanged) {
        // One third of the buffer before the displayed span, so that scrolling either way is
        // served from memory.
        int64_t start = int64_t(pos) - int64_t(m_readLength / 3);
        if (samples != 0 && uint64_t(std::max<int64_t>(start, 0)) + m_readLength > samples)
            start = int64_t(samples) - int64_t(m_readLength);
        m_windowStart = uint64_t(std::max<int64_t>(start, 0));
        m_reloadNeeded = true;
    }
    if (samples != 0 && m_spectrumStart + m_fftSize > samples)
        m_spectrumStart = samples > m_fftSize ? samples - m_fftSize : 0;
}

void SignalSource::setAllDataMode(bool isAll)
{
    if (isAll != m_allDataMode)
        m_windowChanged = true;
    m_allDataMode = isAll;
}

// --- Analysis settings -------------------------------------------------------------------

void SignalSource::setAverageCount(uint32_t count)
{
    if (count != m_averageCount)
        m_settingsChanged = true;
    m_averageCount = count;
}

void SignalSource::setWindowType(uint8_t type)
{
    if (type == m_windowType)
        return;
    m_windowType = type;
    releaseWindowBuffer();
    m_settingsChanged = true;
}

void SignalSource::setSidelobeLevel(double db)
{
    if (db != m_sidelobeLevel)
        m_settingsChanged = true;
    m_sidelobeLevel = db;
}

void SignalSource::setFilterEnabled(bool isEnabled)
{
    m_filterEnabled = isEnabled;
    releaseWindowBuffer();
}

SpectrumSettings SignalSource::spectrumSettings() const
{
    SpectrumSettings s;
    s.fftSize = m_fftSize;
    s.windowType = m_windowType;
    s.sidelobeLevel = m_sidelobeLevel;
    s.averageCount = m_averageCount;
    s.harmonicCount = m_harmonicCount;
    s.sfdrBandWidth = m_sfdrBandWidth;
    s.spectrumRange = m_spectrumRange;
    return s;
}

// --- Per-block processing ----------------------------------------------------------------

void SignalSource::processSpectrum()
{
    const FileParams &first = m_fileParams.front();
    const bool ready = hasReadySpectra();
    const int channels = std::min<int>(totalChannelCount(), int(m_records.size()));
    if (channels <= 0 || (!ready && !m_sampleBuffer))
        return;
    if (m_engine.beginBlock(spectrumSettings(), channels, first.isComplex,
                            m_settingsChanged || m_windowStale))
        m_settingsChanged = true;
    m_windowStale = false;
    if (!m_engine.isReady())
        return;

    const uint64_t n = m_engine.fftSize();
    if (ready && n != m_readySpectraSize)
        return;
    // The analysed block must lie inside the buffer, whatever the window arithmetic left.
    uint64_t offset = m_spectrumStart > m_windowStart ? m_spectrumStart - m_windowStart : 0;
    if (!ready) {
        if (m_bufferLength < n)
            return;
        offset = std::min(offset, m_bufferLength - n);
    }
    const bool pairs = first.isComplex && !ready;
    const double fullScale = fullScaleCode(first.bitRange);
    for (int k = 0; k < channels; k += pairs ? 2 : 1) {
        ChannelRecord &record = m_records[size_t(k)];
        if (!record.shown)
            continue;
        const double rate = m_fileParams[size_t(fileOfBufferChannel(k))].sampleRate;
        if (ready) {
            m_engine.analyseReadySpectrum(k, m_readySpectra.get() + size_t(k) * n, rate, record);
            continue;
        }
        // An I/Q pair needs both halves; an unpaired last channel is left alone.
        if (pairs && k + 1 >= channels)
            break;
        const double *re = channelSamples(k);
        const double *im = pairs ? channelSamples(k + 1) : nullptr;
        if (!re || (pairs && !im))
            continue;
        m_engine.analyseSamples(k, re + offset, im ? im + offset : nullptr, fullScale,
                                first.voltageRangeMv, rate, record);
        if (pairs) {
            m_records[size_t(k) + 1].takeMeasurements(record);
            m_engine.copySpectrum(k, k + 1);
        }
    }
    m_engine.endBlock();
}

void SignalSource::computeExtremes()
{
    if (!m_sampleBuffer)
        return;
    const int channels = std::min<int>({totalChannelCount(), m_bufferChannels,
                                        int(m_records.size())});
    for (int j = 0; j < channels; ++j) {
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
    }
}

// --- Marker read-outs --------------------------------------------------------------------

bool SignalSource::toneAt(int channelNumber, int bin, double &centroid, double &power) const
{
    const double *spectrum = channelSpectrum(channelIndex(channelNumber));
    return spectrum && toneCentroid(spectrum, m_engine.binCount(), bin, m_engine.mainLobeWidth(),
                                    m_engine.isComplex(), centroid, power);
}

std::optional<double> SignalSource::toneFrequency(int channelNumber, int bin) const
{
    double centroid = 0.0, power = 0.0;
    if (!toneAt(channelNumber, bin, centroid, power))
        return std::nullopt;
    const double rate = fileHoldingCurrentChannel()->sampleRate;
    double frequency = centroid * rate / m_engine.fftSize();
    if (m_engine.isComplex() && m_engine.settings().spectrumRange)
        frequency -= rate / 2;
    return frequency;
}

std::optional<double> SignalSource::toneAmplitude(int channelNumber, int bin) const
{
    double centroid = 0.0, power = 0.0;
    if (!toneAt(channelNumber, bin, centroid, power))
        return std::nullopt;
    return std::sqrt(power) * (m_engine.isComplex() ? M_SQRT1_2 : 1.0);
}

std::optional<BandLevel> SignalSource::bandLevel(int channelNumber, int from, int to) const
{
    const double *spectrum = channelSpectrum(channelIndex(channelNumber));
    const int m = m_engine.binCount();
    if (!spectrum || m <= 0)
        return std::nullopt;
    from = std::max(from, 0);
    to = std::min(to, m - 1);
    if (from > to)
        return std::nullopt;
    BandLevel result;
    result.peakBin = from;
    double sum = 0.0;
    for (int j = from; j <= to; ++j) {
        sum += spectrum[j];
        if (spectrum[j] > spectrum[result.peakBin])
            result.peakBin = j;
    }
    result.levelMv = 1000.0 * std::sqrt(sum) * (m_engine.isComplex() ? M_SQRT1_2 : 1.0);
    return result;
}
