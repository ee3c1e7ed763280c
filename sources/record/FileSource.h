#pragma once
// Record files on disk: raw interleaved samples with their postfix at the end, one file or
// several shown as one channel set, optionally growing while a producer writes them and hands
// blocks over through the flag file. The transport operations are virtual so that the
// shared-memory and network sources, and the fuzzer's in-memory record, replace only them.
//
// A record is only ever opened for reading; the flag file is the only file written. Captures in
// other formats (sources/foreign) are read through their readers: the description comes from the
// reader, with what the format lacks from the user parameters, and they have no flag file.
#include "sources/foreign/ForeignReader.h"
#include "sources/record/FlagFile.h"
#include "sources/record/Postfix.h"
#include "sources/SignalSource.h"

#include <QDateTime>
#include <QStringList>

#include <memory>

class FileSource : public SignalSource {
    Q_OBJECT
public:
    explicit FileSource(QObject *parent = nullptr);
    ~FileSource() override;

    // --- Transport ------------------------------------------------------------------------
    virtual void writeFlag(int32_t state, int32_t value);
    // (0, 0) when there is no flag file.
    virtual FlagWord readFlag();
    // ContentSpectrum, ContentSamples or ContentUnknown (neither marker in the tail).
    virtual uint8_t detectContent();
    // Reads the window of every file into the sample buffer; false when it could not.
    virtual bool readSamples();
    // PostfixParsed when nothing changed, PostfixChanged, or PostfixError.
    virtual uint8_t loadPostfixes();
    virtual void setFileName(const QString &path);
    virtual bool recordExists();
    virtual bool flagExists();
    virtual qint64 recordSize();
    // The last PostfixTailBytes of a file (all of it when shorter), and its size in bytes.
    virtual bool readTail(int file, QByteArray &tail, qint64 &size);
    // The `count` complex values a spectrum file starts with; false when they are not all there.
    virtual bool readSpectra(ComplexD *values, uint64_t count);

    static constexpr uint8_t ContentSamples = 0;
    static constexpr uint8_t ContentSpectrum = 1;
    static constexpr uint8_t ContentUnknown = 0xFF;
    static constexpr uint8_t PostfixChanged = 1;
    // Tail reads per file before a record counts as having no postfix.
    static constexpr int PostfixReadLimit = 200;

    // --- Loaded files (GUI: inside a SourceHold or while no request is pending) -----------
    void addFile(const QString &path);
    void removeFile(const QString &path);
    void keepFirstFileOnly();
    QString firstFileName() const;
    void setUserFileParams(const FileParams &params);
    void setUseUserParams(bool isUse);
    bool useUserParams() const { return m_useUserParams; }
    // The most one block's samples may take (half the machine's memory unless set smaller).
    void setMemoryLimit(uint64_t bytes) { m_memoryLimit = bytes; }
    uint64_t memoryLimit() const { return m_memoryLimit; }
    // The longest pause between two looks at a producer's flag while it offers nothing.
    static constexpr int MaxPollPauseMs = 50;
    bool readError() const { return m_readError; }
    bool postfixKnown() const { return m_postfixKnown; }
    // The first file is a capture in another format that lacks its sample rate or bit range,
    // which "Параметры файла чтения" then give.
    bool foreignGapsFilled() const { return m_foreignGapsFilled; }

    void interruptWait() override;

public slots:
    void terminate() override;

protected:
    void waitForData() override;
    int readBlock() override;

    // For transports: takes a postfix text found for `file`. Parses it when it differs from
    // the cached one; false on a parse error (the text is then not cached, so the error
    // stays until the postfix is mended).
    // `why` (when given) is the key, value and rule a refused text breaks.
    bool takePostfix(int file, const QString &text, uint8_t &result, QString *why = nullptr);
    // Unpacks `frames` stored frames of `file` into the sample buffer, `at` frames into the
    // window, at the file's first buffer channel.
    void storeFrames(int file, const uint8_t *raw, uint64_t frames, uint64_t at);
    // Zeroes the file's channels from `at` frames into the window to its end.
    void clearFrames(int file, uint64_t at);
    int firstBufferChannel(int file) const;
    // Frames of the read window that `file` holds, never past its data or its claimed length.
    uint64_t windowFrames(int file) const;
    StopRequested stopPredicate() const;
    // Opens a record file for reading; one that exists but will not open within the patience
    // leaves the user a message.
    bool openRecord(QFile &file);

    // --- Live transports: one record whose bytes a producer offers block by block ----------
    // Takes the postfix found in the producer's postfix bytes (searched once, not re-read): a
    // live producer's postfix that went missing keeps the last one; without any, the record is
    // read with the user parameters. `dataBytes` are the sample bytes the producer offers now;
    // the record is limited to them. `problem` names what is wrong with the postfix.
    uint8_t takeLivePostfix(const PostfixSearch &found, qint64 dataBytes, QString &problem);
    // Copies up to `bytes` from `offset` of the transport's bytes; returns the bytes copied.
    using ByteReader = std::function<uint64_t(uint64_t offset, uint8_t *dst, uint64_t bytes)>;
    // Reads the window of `file` chunk by chunk through `read`; frames it does not deliver
    // are zero. Returns the frames delivered. While filtering is on, also reads the samples
    // before the window that the filter runs in on.
    uint64_t readWindow(int file, const ByteReader &read);
    // A transport problem, sent once with signalAddText() while it lasts. Worker only.
    void reportProblem(const QString &text);
    // At the end of a block: one without problems ends the last one (an empty text says so),
    // so that it is sent again when it recurs.
    void settleProblems();
    // The problem on the status line is over now (a slow block has arrived whole).
    void withdrawProblem();
    // readBlock() of a live transport: a refused description or a block too large for memory
    // goes to the status line (through `describe`) and the source waits for the producer to
    // mend it, instead of stopping acquisition behind a box as for a record file.
    int readLiveBlock(const std::function<QString(const QString &)> &describe);

    struct LoadedFile {
        QString name;
        QString cachedPostfix; // the postfix text last parsed
        FileParams parsed;     // as parsed, before any user override
        qint64 dataBytes = -1;
        // A capture in another format: its reader, opened on the file as it was then.
        std::shared_ptr<ForeignReader> foreign;
        QDateTime foreignStamp;
        qint64 foreignSize = -1;
        ForeignFill foreignFill;
    };
    std::vector<LoadedFile> m_files{LoadedFile()};
    FlagFile m_flagFile;
    FlagWord m_flag{FlagTaken, 0}; // the two words last read

private:
    // The samples of one file before the read window, channel-major, `frames` per channel.
    struct LeadIn {
        std::vector<double> samples;
        uint64_t frames = 0;
    };
    void readLeadIn(int file, const ByteReader &read);
    void filterChannels();
    bool readPass();
    // loadPostfixes() for a capture in another format; false (with m_readFailure) when it
    // cannot be read or the user parameters do not fit it.
    bool takeForeign(size_t file, uint8_t &result);
    uint64_t readForeignWindow(int file);
    bool readSpectrumFile();
    bool userParamsUsable() const;
    uint64_t dataFrames(int file, const FileParams &params) const;
    bool limitToData();
    bool prepareBuffers();

    FileParams m_userParams = zeroedFileParams();
    bool m_useUserParams = false;
    uint64_t m_memoryLimit;
    bool m_userParamsChanged = false;
    std::atomic<bool> m_postfixKnown{true};
    std::atomic<bool> m_foreignGapsFilled{false};
    bool m_readError = false;
    std::vector<uint8_t> m_chunk;
    std::vector<LeadIn> m_leadIns; // by file, of the block being read
    QString m_problem;
    bool m_problemReported = false;
};
