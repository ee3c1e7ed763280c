#pragma once
// Helpers for the source tests: serving blocks as the viewer's data cycle does, and writing
// records byte by byte.
#include "sources/record/Postfix.h"
#include "sources/SignalSource.h"

#include <QEventLoop>
#include <QFile>
#include <QObject>
#include <QTest>
#include <QTimer>

#include <atomic>

// Counts signalDataReady() in the test's thread (queued, as the main window receives it).
class BlockWaiter {
public:
    explicit BlockWaiter(SignalSource &source) : m_source(source)
    {
        QObject::connect(&source, &SignalSource::signalDataReady, &m_context,
                         [this] { ++m_count; }, Qt::QueuedConnection);
    }

    int count() const { return m_count; }

    // Runs the event loop until `count` signals have arrived or the time is up.
    bool waitFor(int count, int timeoutMs = 10000)
    {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&m_source, &SignalSource::signalDataReady, &loop, &QEventLoop::quit,
                         Qt::QueuedConnection);
        timer.start(timeoutMs);
        while (m_count < count && timer.isActive())
            loop.exec();
        // As the data cycle does first: the request flag, read under the source's lock, also
        // orders the worker's writes before our reads.
        m_source.isRequestPending();
        return m_count >= count;
    }

    // One request; true when exactly its one signal arrived. Then reacts to the change flags.
    bool fetch(int timeoutMs = 10000)
    {
        const int before = m_count;
        m_source.requestData();
        const bool arrived = waitFor(before + 1, timeoutMs);
        QTest::qWait(5); // a second signal for the same request would arrive now
        m_source.setParamsChanged(false);
        m_source.setWindowChanged(false);
        m_source.setSettingsChanged(false);
        return arrived && m_count == before + 1;
    }

private:
    SignalSource &m_source;
    QObject m_context;
    int m_count = 0;
};

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// Little-endian 16-bit samples, frame after frame.
inline QByteArray samples16(const std::vector<int> &codes)
{
    QByteArray out;
    for (int c : codes) {
        out.append(char(c & 0xFF));
        out.append(char((c >> 8) & 0xFF));
    }
    return out;
}

// A descriptor of `channels` 16-bit channels numbered from `firstNumber`.
inline FileParams layout16(uint32_t channels, uint64_t samples, int firstNumber = 0)
{
    FileParams p;
    p.channelCount = channels;
    p.sampleCount = samples;
    p.sampleRate = 1e6;
    p.bitRange = 16;
    p.bytesPerSample = 2;
    p.voltageRangeMv = 2500;
    for (uint32_t c = 0; c < channels; ++c)
        p.channelNumbers.push_back(firstNumber + int(c));
    return p;
}
