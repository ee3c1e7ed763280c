#include "sources/record/FileSource.h"

#include "sources/record/Postfix.h"
#include "sources/record/SystemFacts.h"
#include "sources/foreign/ForeignReader.h"
#include "sources/SampleCodes.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextCodec>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// Bytes read from a record per step: large enough for the disk, small enough for the cache.
constexpr uint64_t ChunkBytes = 1 << 20;

} // namespace

FileSource::FileSource(QObject *parent) : SignalSource(parent), m_memoryLimit(blockMemoryLimit())
{
    m_noWaitFlag = true;
    m_pollInterval = 100;
}

FileSource::~FileSource()
{
    stopAndWait();
    writeFlag(FlagIdle, m_flag.value);
}

// --- Transport ---------------------------------------------------------------------------

StopRequested FileSource::stopPredicate() const
{
    return [this] { return stopPending(); };
}

bool FileSource::openRecord(QFile &file)
{
    if (openWithRetry(file, QIODevice::ReadOnly | QIODevice::Unbuffered, stopPredicate()))
        return true;
    if (file.exists() && !stopPending())
        m_readFailure = QStringLiteral("Файл ") + file.fileName() + QStringLiteral(" не может быть открыт");
    return false;
}

void FileSource::writeFlag(int32_t state, int32_t value)
{
    if (m_flagFile.exists())
        m_flagFile.write({state, value}, stopPredicate());
}

FlagWord FileSource::readFlag()
{
    if (!m_flagFile.exists())
        return FlagWord();
    FlagWord word;
    // A flag caught between a writer's open and its write reads as it was.
    return m_flagFile.read(word, stopPredicate()) ? word : m_flag;
}

bool FileSource::recordExists() { return QFileInfo::exists(firstFileName()); }

bool FileSource::flagExists() { return m_flagFile.exists(); }

qint64 FileSource::recordSize()
{
    const QFileInfo info(firstFileName());
    return info.exists() ? info.size() : 0;
}

void FileSource::setFileName(const QString &path)
{
    m_files.front().name = path;
    m_flagFile.setPath(FlagFile::pathFor(path));
    m_flag.state = FlagIdle;
}

bool FileSource::readTail(int file, QByteArray &tail, qint64 &size)
{
    QFile record(m_files[size_t(file)].name);
    if (!openRecord(record))
        return false;
    size = record.size();
    const qint64 start = std::max<qint64>(0, size - PostfixTailBytes);
    if (!record.seek(start))
        return false;
    tail = record.read(size - start);
    // A file that shrank meanwhile has only the bytes that were read.
    size = start + tail.size();
    return true;
}

bool FileSource::readSpectra(ComplexD *values, uint64_t count)
{
    QFile file(firstFileName());
    if (!openRecord(file))
        return false;
    const qint64 bytes = qint64(count * sizeof(ComplexD));
    return file.read(reinterpret_cast<char *>(values), bytes) == bytes;
}

uint8_t FileSource::detectContent()
{
    if (isForeignFile(firstFileName()))
        return ContentSamples;
    QByteArray tail;
    qint64 size = 0;
    if (!readTail(0, tail, size))
        return ContentUnknown;
    if (tail.contains("DEVICE_NAME"))
        return ContentSamples;
    const int at = tail.indexOf("FFT_SIZE");
    if (at < 0)
        return ContentUnknown;
    int end = tail.indexOf('\n', at);
    if (end < 0)
        end = tail.size();
    const QList<QByteArray> pieces = tail.mid(at, end - at).simplified().split(' ');
    if (pieces.size() < 2 || pieces.at(1).trimmed().toInt() <= 0)
        return ContentSamples;
    releaseSampleBuffer();
    return ContentSpectrum;
}

bool FileSource::takePostfix(int file, const QString &text, uint8_t &result, QString *why)
{
    LoadedFile &loaded = m_files[size_t(file)];
    if (text == loaded.cachedPostfix)
        return true;
    // Parsed aside: a text refused halfway must not leave its first keys in the descriptor
    // that the block is published with.
    FileParams &params = m_fileParams[size_t(file)];
    FileParams parsed = params;
    QString problem;
    if (parsePostfix(text, parsed, &problem) != PostfixParsed) {
        m_postfixProblem = QFileInfo(loaded.name).fileName() + QStringLiteral(": ") + problem;
        if (why)
            *why = problem;
        return false;
    }
    params = std::move(parsed);
    loaded.cachedPostfix = text;
    params.multiChannel = true; // the parse has set the code type: integers or floats
    m_window.windowChanged = true;
    loaded.parsed = params;
    result = PostfixChanged;
    return true;
}

uint8_t FileSource::loadPostfixes()
{
    uint8_t result = PostfixParsed;
    bool obtained = false; // some file of this pass gave its postfix
    for (size_t i = 0; i < m_files.size(); ++i) {
        LoadedFile &loaded = m_files[i];
        if (isForeignFile(loaded.name)) {
            if (!takeForeign(i, result))
                return PostfixParsed; // m_readFailure says why
            continue;
        }
        QByteArray tail;
        qint64 size = 0;
        PostfixSearch found;
        // A producer may be rewriting the postfix: look again a bounded number of times.
        for (int reads = 0; reads < PostfixReadLimit && !found.found; ++reads) {
            if (!readTail(int(i), tail, size))
                break;
            found = findPostfix(tail);
        }
        if (!found.found) {
            // While a producer is live, a postfix that went missing keeps its last text; not
            // beside a file whose postfix this pass did read (records written at once lose
            // theirs together).
            const bool keepCached = !obtained && !loaded.cachedPostfix.isEmpty() && !m_noWaitFlag;
            m_postfixKnown = keepCached;
            if (!keepCached)
                loaded.dataBytes = size;
            continue;
        }
        m_postfixKnown = true;
        obtained = true;
        loaded.dataBytes = size - tail.size() + std::max(found.offset, 0);
        if (!takePostfix(int(i), found.text, result))
            return PostfixError;
    }
    const ForeignReader *first = m_files.empty() ? nullptr : m_files.front().foreign.get();
    m_foreignGapsFilled = first && isForeignFile(m_files.front().name) && (!first->carriesRate() || !first->carriesBits());
    return result;
}

bool FileSource::takeForeign(size_t file, uint8_t &result)
{
    LoadedFile &loaded = m_files[file];
    const QFileInfo info(loaded.name);
    // Opened again when the file was replaced or rewritten.
    const bool reopen = !loaded.foreign || info.lastModified() != loaded.foreignStamp ||
                        info.size() != loaded.foreignSize;
    if (reopen) {
        QString error;
        loaded.foreign = openForeignFile(loaded.name, error);
        loaded.foreignStamp = info.lastModified();
        loaded.foreignSize = info.size();
        if (!loaded.foreign) {
            m_readFailure = error;
            return false;
        }
    }
    const FileParams &user = m_userParams;
    const ForeignFill fill{user.sampleRate, user.bitRange, user.voltageRangeMv, user.isComplex};
    m_postfixKnown = true;
    if (!reopen && fill == loaded.foreignFill)
        return true;
    FileParams params;
    QString problem;
    if (!loaded.foreign->describe(fill, params, problem)) {
        loaded.foreign.reset(); // described again once the parameters change
        m_readFailure = info.fileName() + QStringLiteral(": ") + problem;
        return false;
    }
    loaded.foreignFill = fill;
    loaded.dataBytes = qint64(params.sampleCount * params.frameBytes());
    m_fileParams[file] = params;
    loaded.parsed = params;
    m_window.windowChanged = true;
    result = PostfixChanged;
    return true;
}

uint64_t FileSource::readForeignWindow(int file)
{
    ForeignReader &reader = *m_files[size_t(file)].foreign;
    const uint64_t frame = m_fileParams[size_t(file)].frameBytes();
    return readWindow(file, [&](uint64_t offset, uint8_t *dst, uint64_t bytes) -> uint64_t {
        const uint64_t got = reader.read(offset / frame, bytes / frame, dst) * frame;
        if (got < bytes && !reader.error().isEmpty())
            m_readFailure = QFileInfo(m_files[size_t(file)].name).fileName() + QStringLiteral(": ") +
                            reader.error();
        return got;
    });
}

int FileSource::firstBufferChannel(int file) const
{
    int first = 0;
    for (int i = 0; i < file; ++i) {
        if (m_fileParams[size_t(i)].hasChannels())
            first += int(m_fileParams[size_t(i)].channelCount);
    }
    return first;
}

void FileSource::storeFrames(int file, const uint8_t *raw, uint64_t frames, uint64_t at)
{
    const FileParams &p = m_fileParams[size_t(file)];
    const int first = firstBufferChannel(file);
    const uint64_t length = sampleBufferLength();
    if (!p.hasChannels() || first + int(p.channelCount) > sampleBufferChannels() || at >= length)
        return;
    frames = std::min(frames, length - at);
    // The frames in as many runs as there are workers: each run's codes land in their own
    // places, so the split changes nothing but the time.
    const uint64_t parts = std::min<uint64_t>(uint64_t(workerCount()), frames);
    double *dst = mutableChannelSamples(first) + at;
    runParallel(int(parts), [&](int part, int) {
        const uint64_t begin = frames * uint64_t(part) / parts;
        const uint64_t end = frames * uint64_t(part + 1) / parts;
        unpackFrames(raw + begin * p.frameBytes(), size_t(end - begin), int(p.channelCount),
                     p.bytesPerSample, p.codeType, p.bitRange, dst + begin, size_t(length));
    });
}

void FileSource::clearFrames(int file, uint64_t at)
{
    const FileParams &p = m_fileParams[size_t(file)];
    const uint64_t length = sampleBufferLength();
    if (!p.hasChannels() || at >= length)
        return;
    const int first = firstBufferChannel(file);
    for (int c = first; c < first + int(p.channelCount) && c < sampleBufferChannels(); ++c)
        std::fill(mutableChannelSamples(c) + at, mutableChannelSamples(c) + length, 0.0);
}

uint64_t FileSource::dataFrames(int file, const FileParams &params) const
{
    const uint64_t frame = params.frameBytes();
    const qint64 bytes = m_files[size_t(file)].dataBytes;
    return frame && bytes > 0 ? uint64_t(bytes) / frame : 0;
}

uint64_t FileSource::windowFrames(int file) const
{
    const FileParams &p = m_fileParams[size_t(file)];
    const uint64_t held = std::min<uint64_t>(p.sampleCount, dataFrames(file, p));
    const uint64_t start = m_window.windowStart;
    return start < held ? std::min<uint64_t>(sampleBufferLength(), held - start) : 0;
}

uint64_t FileSource::readWindow(int file, const ByteReader &read)
{
    const uint64_t frame = m_fileParams[size_t(file)].frameBytes();
    const uint64_t wanted = frame ? windowFrames(file) : 0;
    uint64_t done = 0;
    if (wanted) {
        const uint64_t step = std::max<uint64_t>(1, ChunkBytes / frame);
        const uint64_t offset = m_window.windowStart * frame;
        m_chunk.resize(size_t(step * frame));
        while (done < wanted) {
            const uint64_t frames = std::min(step, wanted - done);
            const uint64_t whole =
                read(offset + done * frame, m_chunk.data(), frames * frame) / frame;
            storeFrames(file, m_chunk.data(), whole, done);
            done += whole;
            if (whole < frames)
                break; // the data ended early (truncated meanwhile)
        }
    }
    clearFrames(file, done);
    readLeadIn(file, read);
    return done;
}

void FileSource::readLeadIn(int file, const ByteReader &read)
{
    if (m_leadIns.size() < m_files.size())
        m_leadIns.resize(m_files.size());
    LeadIn &lead = m_leadIns[size_t(file)];
    const FileParams &p = m_fileParams[size_t(file)];
    const uint64_t frame = p.frameBytes();
    lead.frames = frame ? std::min<uint64_t>(filterLeadIn(p.sampleRate), m_window.windowStart) : 0;
    if (lead.frames == 0)
        return;
    try {
        lead.samples.resize(size_t(lead.frames * p.channelCount));
    } catch (const std::bad_alloc &) {
        lead.frames = 0; // the block is then filtered from rest and says so
        return;
    }
    const uint64_t step = std::max<uint64_t>(1, ChunkBytes / frame);
    const uint64_t offset = (m_window.windowStart - lead.frames) * frame;
    m_chunk.resize(size_t(step * frame));
    for (uint64_t done = 0; done < lead.frames;) {
        const uint64_t frames = std::min(step, lead.frames - done);
        if (read(offset + done * frame, m_chunk.data(), frames * frame) < frames * frame) {
            lead.frames = 0; // not contiguous with the window: no run-in rather than a wrong one
            return;
        }
        unpackFrames(m_chunk.data(), size_t(frames), int(p.channelCount), p.bytesPerSample,
                     p.codeType, p.bitRange, lead.samples.data() + done, size_t(lead.frames));
        done += frames;
    }
}

void FileSource::filterChannels()
{
    const int channels = sampleBufferChannels();
    const size_t count = size_t(std::max(channels, 0));
    std::vector<int> files(count), firsts(count);
    for (int k = 0; k < channels; ++k) {
        files[size_t(k)] = fileOfBufferChannel(k);
        firsts[size_t(k)] = firstBufferChannel(files[size_t(k)]);
    }
    std::vector<FilterOutcome> outcomes(count);
    runParallel(channels, [&](int k, int worker) {
        const int file = files[size_t(k)];
        const LeadIn *lead = size_t(file) < m_leadIns.size() ? &m_leadIns[size_t(file)] : nullptr;
        const uint64_t frames = lead ? lead->frames : 0;
        const double *samples =
            frames ? lead->samples.data() + size_t(k - firsts[size_t(k)]) * frames : nullptr;
        outcomes[size_t(k)] =
            filterSamples(worker, k, size_t(m_window.readLength),
                          m_fileParams[size_t(file)].sampleRate, samples, size_t(frames));
    });
    for (const FilterOutcome &outcome : outcomes)
        noteFilterOutcome(outcome);
}

bool FileSource::readSamples()
{
    for (size_t i = 0; i < m_files.size(); ++i) {
        if (!m_fileParams[i].frameBytes())
            continue;
        if (m_files[i].foreign) {
            readForeignWindow(int(i));
            if (!m_readFailure.isEmpty())
                return false;
            continue;
        }
        QFile file(m_files[i].name);
        if (!openRecord(file))
            return false;
        readWindow(int(i), [&file](uint64_t offset, uint8_t *dst, uint64_t bytes) -> uint64_t {
            if (!file.seek(qint64(offset)))
                return 0;
            const qint64 got = file.read(reinterpret_cast<char *>(dst), qint64(bytes));
            return got > 0 ? uint64_t(got) : 0;
        });
    }
    return true;
}

uint8_t FileSource::takeLivePostfix(const PostfixSearch &found, qint64 dataBytes,
                                    QString &problem)
{
    LoadedFile &loaded = m_files.front();
    loaded.dataBytes = dataBytes;
    if (!found.found) {
        m_postfixKnown = !loaded.cachedPostfix.isEmpty() && !m_noWaitFlag;
        return PostfixParsed;
    }
    m_postfixKnown = true;
    const QString waiting = QStringLiteral("; ожидание исправленного описания");
    if (found.offset < 0) {
        problem = QStringLiteral("описание отклонено: нет первого ключа «DEVICE_NAME»") + waiting;
        return PostfixError;
    }
    uint8_t result = PostfixParsed;
    QString why;
    const FileParams before = m_fileParams.front(), beforeParsed = loaded.parsed;
    if (!takePostfix(0, found.text, result, &why)) {
        problem = QStringLiteral("описание отклонено: ") + why + waiting;
        return PostfixError;
    }
    const FileParams &parsed = loaded.parsed;
    const uint64_t frame = parsed.frameBytes();
    if (frame && dataBytes >= 0 && frame > uint64_t(dataBytes)) {
        // Not one frame: nothing of it could be shown, and its channels would only crowd the
        // legend.
        m_postfixProblem = QStringLiteral("кадр из %1 каналов по %2 байт больше блока (%3 байт)")
                               .arg(parsed.channelCount)
                               .arg(parsed.bytesPerSample)
                               .arg(dataBytes);
        loaded.cachedPostfix.clear();
        loaded.parsed = beforeParsed;
        m_fileParams.front() = before;
        problem = QStringLiteral("описание отклонено: ") + m_postfixProblem + waiting;
        return PostfixError;
    }
    if (frame && dataBytes >= 0 && parsed.sampleCount > uint64_t(dataBytes) / frame)
        problem = QStringLiteral("постфикс описывает %1 отсчётов на канал, данных есть на %2")
                      .arg(parsed.sampleCount)
                      .arg(uint64_t(dataBytes) / frame);
    return result;
}

void FileSource::reportProblem(const QString &text)
{
    m_problemReported = true;
    if (text == m_problem)
        return;
    m_problem = text;
    emit signalAddText(text);
}

void FileSource::withdrawProblem()
{
    m_problemReported = false;
    if (!m_problem.isEmpty()) {
        m_problem.clear();
        emit signalAddText(QString());
    }
}

int FileSource::readLiveBlock(const std::function<QString(const QString &)> &describe)
{
    const int result = FileSource::readBlock();
    // The transport has said what is wrong with the description; the producer may mend it.
    if (m_readError) {
        m_readError = false;
        m_waitEndedFlag = false;
    } else if (result == -1 && !m_readFailure.isEmpty()) {
        reportProblem(describe(m_readFailure + QStringLiteral("; ожидание другого описания")));
        m_readFailure.clear();
        m_readStatus = 0;
        m_waitEndedFlag = false;
    }
    settleProblems();
    return result;
}

void FileSource::settleProblems()
{
    if (!m_problemReported && !m_problem.isEmpty()) {
        m_problem.clear();
        emit signalAddText(QString()); // over: the status line clears
    }
    m_problemReported = false;
}

// --- Blocks ------------------------------------------------------------------------------

void FileSource::interruptWait()
{
    SignalSource::interruptWait();
    m_postfixKnown = true;
}

void FileSource::waitForData()
{
    // The pause between blocks (the window's pacing, up to its update period) ends early on a
    // stop, so that stopping never waits for it.
    QElapsedTimer pause;
    pause.start();
    for (qint64 left = m_pollInterval.load(); left > 0 && !stopPending();
         left = m_pollInterval.load() - pause.elapsed())
        QThread::msleep(uint32_t(std::min<qint64>(left, 10)));
    // A producer that offers nothing is asked less and less often, from once a millisecond up
    // to MaxPollPauseMs: every look costs it a read, over the network a round trip. A change
    // of the flag, and every new block, starts fast again.
    int pauseMs = 1;
    FlagWord seen = m_flag;
    for (;;) {
        {
            // Each poll parks behind a GUI hold; the GUI may replace the files meanwhile.
            WorkerLock lock(*this);
            m_flag = readFlag();
            if (m_flag.state == FlagTaken) {
                // Our own answer from the last block: we are back and ready for the next one.
                writeFlag(FlagIdle, m_flag.value);
                m_flag.state = FlagIdle;
                seen = m_flag;
                continue;
            }
            if (m_flag.state == FlagBlockReady || m_noWaitFlag) {
                m_waitingFlag = false;
                m_waitEndedFlag = true;
                writeFlag(FlagTaken, 0);
                return;
            }
            if (!flagExists() || m_rereadFlag)
                return;
            m_waitEndedFlag = false;
            if (stopPending()) {
                m_waitingFlag = false;
                return;
            }
            m_waitingFlag = true;
        }
        const bool changed = m_flag.state != seen.state || m_flag.value != seen.value;
        seen = m_flag;
        pauseMs = changed ? 1 : std::min(2 * pauseMs, MaxPollPauseMs);
        QThread::msleep(uint32_t(pauseMs));
    }
}

int FileSource::readBlock()
{
    if (!recordExists()) {
        m_readStatus = -1;
        return -1;
    }
    // An empty record: wait for its first bytes, giving way to holds and stops.
    while (recordSize() == 0) {
        if (stopPending())
            return -1;
        yieldToHold();
        QThread::msleep(1);
        if (!recordExists()) {
            m_readStatus = -1;
            return -1;
        }
    }
    const uint8_t content = detectContent();
    const bool ok = m_readFailure.isEmpty() &&
                    (content == ContentSpectrum ? readSpectrumFile() : readPass());
    if (!m_readFailure.isEmpty()) {
        m_readStatus = -1; // the file is there but will not open: the window says so and stops
        return -1;
    }
    // An interrupted wait (a new source, a start, a hold) lets one block through; the next one
    // waits for the producer again, or the handshake would be off for good after any hold.
    if (ok)
        m_noWaitFlag = false;
    if (!ok && !m_readError)
        m_readStatus = -1; // not a postfix error: the data could not be had
    return ok && !m_readError ? 0 : -1;
}

bool FileSource::readSpectrumFile()
{
    QByteArray tail;
    qint64 size = 0;
    if (!readTail(0, tail, size))
        return false;
    // The tail follows binary data: zero bytes there only separate lines.
    tail.replace('\0', '\n');
    const QString text = QTextCodec::codecForName("CP1251")->toUnicode(tail);
    FileParams &params = m_fileParams.front();
    uint32_t n = 0;
    m_readError = parseSpectrumPostfix(text, params, n) != PostfixParsed;
    if (m_readError)
        return false;
    params.multiChannel = true;
    LoadedFile &loaded = m_files.front();
    if (text != loaded.cachedPostfix) {
        loaded.cachedPostfix = text;
        loaded.parsed = params;
        m_rereadFlag = true;
    }
    // channels * n * 16 bytes must be in the file before anything is sized for them.
    const int channels = int(params.channelCount);
    const uint64_t values = uint64_t(channels) * n;
    if (values > uint64_t(size) / sizeof(ComplexD)) {
        m_readError = true;
        return false;
    }
    if (n != m_spectrum.fftSize) {
        m_spectrum.fftSize = n;
        releaseWindowBuffer();
        setSettingsChanged(true);
    }
    resetChannelRecords(channels, channelList());
    if (params.sampleRate == 0.0)
        return true; // nothing to show at an unknown rate
    std::unique_ptr<ComplexD[]> spectra(new (std::nothrow) ComplexD[size_t(values)]);
    if (!spectra)
        return false;
    if (!readSpectra(spectra.get(), values)) {
        m_readError = true;
        return false;
    }
    setReadySpectra(std::move(spectra), n);
    return true;
}

bool FileSource::userParamsUsable() const
{
    const FileParams &u = m_userParams;
    const int bytes = u.bytesPerSample;
    const qint64 held = m_files.front().dataBytes;
    return u.hasChannels() && u.channelCount <= uint32_t(std::numeric_limits<int32_t>::max()) &&
           (bytes == 1 || bytes == 2 || bytes == 4) && u.bitRange >= 1 &&
           u.bitRange <= 8 * bytes && held >= 0 && u.frameBytes() <= uint64_t(held);
}

bool FileSource::limitToData()
{
    // A postfix may claim more than the file holds (or holds yet): take what is there, and
    // follow the file as it grows.
    bool firstChanged = false;
    for (size_t i = 0; i < m_files.size(); ++i) {
        if (i == 0 && m_useUserParams)
            continue;
        FileParams &p = m_fileParams[i];
        const uint64_t before = p.sampleCount;
        p.sampleCount = std::min(m_files[i].parsed.sampleCount, dataFrames(int(i), p));
        if (i == 0 && p.sampleCount != before)
            firstChanged = true;
    }
    return firstChanged;
}

bool FileSource::prepareBuffers()
{
    const FileParams &first = m_fileParams.front();
    if (m_window.allDataMode && first.sampleCount != m_window.readLength) {
        m_window.readLength = first.sampleCount;
        m_window.windowChanged = true;
    }
    if (first.sampleCount == 0 || m_window.readLength == 0) {
        releaseSampleBuffer(); // no samples yet
        return true;
    }
    const int channels = totalChannelCount();
    const uint64_t length = m_window.readLength;
    if (!channelSamples(0) || sampleBufferChannels() != channels ||
        sampleBufferLength() != length) {
        // Asked of the limit first: an overcommitting system would grant a hostile size and
        // end the program only once the pages are touched.
        const uint64_t perChannel = m_memoryLimit / sizeof(double) / uint64_t(std::max(channels, 1));
        const bool fits = length <= perChannel;
        if (!fits || !allocateSampleBuffers(channels, length)) {
            const uint64_t count = uint64_t(std::max(channels, 1));
            const uint64_t bytes = length > UINT64_MAX / sizeof(double) / count
                                       ? UINT64_MAX
                                       : count * length * sizeof(double);
            m_readFailure = QStringLiteral("Не хватает памяти для отсчётов: %1 каналов × %2 "
                                           "отсчётов × 8 байт = %3")
                                .arg(channels)
                                .arg(length)
                                .arg(byteSizeText(bytes));
            if (!fits)
                m_readFailure += QStringLiteral(", больше предела в %1").arg(byteSizeText(m_memoryLimit));
            return false;
        }
        m_window.reloadNeeded = true;
    }
    if (m_window.reloadNeeded) {
        if (!fillIndexBuffer(m_window.windowStart)) {
            m_readFailure = QStringLiteral("Не хватает памяти для номеров отсчётов: %1 × 8 байт")
                                .arg(length);
            return false;
        }
        m_window.reloadNeeded = false;
    }
    return true;
}

bool FileSource::readPass()
{
    FileParams &first = m_fileParams.front();
    // A capture in another format describes itself; the user parameters only fill its gaps.
    if (isForeignFile(m_files.front().name))
        m_useUserParams = false;
    if (!m_useUserParams)
        first = m_files.front().parsed;
    const bool wasKnown = m_postfixKnown;
    uint8_t result = loadPostfixes();
    if (!m_readFailure.isEmpty())
        return false;
    if (result != PostfixParsed && !wasKnown)
        m_useUserParams = false; // a postfix has appeared
    if (result != PostfixParsed && wasKnown && m_useUserParams) {
        result = PostfixParsed; // the user parameters stay in force, over a bad postfix too
    } else if (result == PostfixError) {
        m_readError = true;
        return false;
    }
    m_readError = false;
    if (!m_postfixKnown && !m_useUserParams) {
        // A record without postfix is read with the user parameters.
        m_useUserParams = true;
        m_window.windowChanged = true;
    }
    if (m_useUserParams && !userParamsUsable()) {
        m_readError = true;
        return false;
    }
    if (m_useUserParams && m_userParamsChanged) {
        const uint64_t samples = first.sampleCount;
        first = m_userParams;
        first.sampleCount = samples;
        first.channelNumbers.clear();
    }
    if (result != PostfixParsed || m_userParamsChanged) {
        m_rereadFlag = true;
        m_userParamsChanged = false;
        releaseWindowBuffer();
        m_window.windowChanged = true;
    }
    if (m_useUserParams) {
        // A raw record is as long as its data: recomputed every pass, so that a growing one
        // is followed.
        const uint64_t samples = dataFrames(0, m_userParams);
        if (samples != m_userParams.sampleCount)
            m_rereadFlag = true;
        m_userParams.sampleCount = samples;
        m_userParams.channelNumbers = first.channelNumbers;
        if (m_userParams.channelNumbers.size() != m_userParams.channelCount) {
            m_userParams.channelNumbers.resize(m_userParams.channelCount);
            for (uint32_t c = 0; c < m_userParams.channelCount; ++c)
                m_userParams.channelNumbers[c] = int(c);
        }
        first = m_userParams;
    }
    if (limitToData())
        m_rereadFlag = true;
    // Every pass: the window follows the record's current length.
    setPosition(m_window.position,
                m_window.readLength ? m_window.readLength : 3 * uint64_t(m_spectrum.fftSize));
    resetChannelRecords(totalChannelCount(), m_useUserParams ? QList<int>() : channelList());
    if (!prepareBuffers()) {
        m_readStatus = -1;
        return false;
    }
    if (!channelSamples(0))
        return true;
    if (!beginSampleWrite()) {
        m_readStatus = -1;
        return false;
    }
    for (LeadIn &lead : m_leadIns)
        lead.frames = 0;
    if (!readSamples())
        return false;
    filterChannels();
    return true;
}

// --- Loaded files ------------------------------------------------------------------------

void FileSource::addFile(const QString &path)
{
    LoadedFile loaded;
    loaded.name = path;
    loaded.parsed = zeroedFileParams();
    m_files.push_back(loaded);
    m_fileParams.push_back(zeroedFileParams());
    m_paramsChangedFlag = true;
}

void FileSource::removeFile(const QString &path)
{
    if (m_files.size() < 2)
        return;
    for (size_t i = 0; i < m_files.size(); ++i) {
        if (m_files[i].name != path)
            continue;
        m_files.erase(m_files.begin() + long(i));
        m_fileParams.erase(m_fileParams.begin() + long(i));
        if (i == 0)
            setFileName(m_files.front().name);
        m_paramsChangedFlag = true;
        return;
    }
}

void FileSource::keepFirstFileOnly()
{
    m_files.resize(1);
    m_fileParams.resize(1);
}

QString FileSource::firstFileName() const
{
    return m_files.empty() ? QString() : m_files.front().name;
}

void FileSource::setUserFileParams(const FileParams &params)
{
    m_userParams = params;
    m_userParamsChanged = true;
}

void FileSource::setUseUserParams(bool isUse)
{
    m_useUserParams = isUse;
    if (!isUse)
        m_files.front().cachedPostfix.clear();
    m_window.windowChanged = true;
}

void FileSource::terminate()
{
    m_flag.state = FlagIdle;
    writeFlag(FlagIdle, m_flag.value);
    SignalSource::terminate();
    QThread::msleep(100);
}
