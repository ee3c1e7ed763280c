#pragma once
// Helpers for the live-source tests: names no parallel test shares, the messages a source
// sends, and a delivered block compared with the bytes a producer published.
#include "SourceTestKit.h"

#include "sources/SampleCodes.h"

#include <QCoreApplication>
#include <QStringList>

#include <atomic>
#include <vector>

// A region base name or record name unique to this process and call.
inline QString uniqueName(const char *prefix)
{
    static std::atomic<int> counter{0};
    return QStringLiteral("%1_%2_%3")
        .arg(QLatin1String(prefix))
        .arg(QCoreApplication::applicationPid())
        .arg(++counter);
}

// The source's signalAddText() lines, received in the test's thread.
class MessageLog {
public:
    explicit MessageLog(SignalSource &source)
    {
        QObject::connect(&source, &SignalSource::signalAddText, &m_context,
                         [this](const QString &sText) { m_lines << sText; },
                         Qt::QueuedConnection);
    }
    const QStringList &lines() const { return m_lines; }
    bool mentions(const QString &word) const
    {
        for (const QString &line : m_lines)
            if (line.contains(word))
                return true;
        return false;
    }

private:
    QObject m_context;
    QStringList m_lines;
};

// Whether the block's first `frames` samples of every channel are the published raw frames
// from frame `first` on; `why` names the first difference.
inline bool blockHolds(const BlockSnapshot &block, const QByteArray &raw, const FileParams &p,
                       uint64_t first, uint64_t frames, QString *why)
{
    const int channels = int(p.channelCount);
    std::vector<double> expected(size_t(channels) * frames);
    unpackFrames(reinterpret_cast<const uint8_t *>(raw.constData()) + first * p.frameBytes(),
                 size_t(frames), channels, p.bytesPerSample, p.codeType, p.bitRange,
                 expected.data(), size_t(frames));
    if (block.sampleChannels < channels || block.sampleLength < frames) {
        *why = QStringLiteral("block holds %1 x %2 samples").arg(block.sampleChannels)
                   .arg(block.sampleLength);
        return false;
    }
    for (int c = 0; c < channels; ++c)
        for (uint64_t f = 0; f < frames; ++f)
            if (block.channelSamples(c)[f] != expected[size_t(c) * frames + f]) {
                *why = QStringLiteral("channel %1 sample %2: %3, produced %4").arg(c).arg(f)
                           .arg(block.channelSamples(c)[f]).arg(expected[size_t(c) * frames + f]);
                return false;
            }
    return true;
}
