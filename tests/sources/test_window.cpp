// The read window over a long record and the channel set of several files.
#include "SourceTestKit.h"

#include "sources/generator/SignalSimulation.h"
#include "sources/generator/SimulationSettings.h"

#include <QtTest>

#include <algorithm>

namespace {

// A source whose descriptors the test sets directly.
struct ProbeSource : SignalSource {
    using SignalSource::m_fileParams;
    explicit ProbeSource(uint64_t samples)
    {
        m_fileParams.front() = layout16(2, samples);
        setSettingsChanged(false);
        setWindowChanged(false);
    }
};

} // namespace

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void positionsAndLengths_data()
    {
        QTest::addColumn<qulonglong>("samples");
        QTest::addColumn<qulonglong>("pos");
        QTest::addColumn<qulonglong>("len");
        QTest::addColumn<qulonglong>("readLength");
        QTest::addColumn<qulonglong>("windowStart");
        QTest::addColumn<qulonglong>("spectrumStart");
        // One third of the buffer before the span.
        QTest::newRow("middle") << 100000ull << 30000ull << 3072ull << 3072ull << 28976ull
                                << 30000ull;
        QTest::newRow("near the end") << 100000ull << 99500ull << 3072ull << 3072ull << 96928ull
                                      << 98976ull;
        QTest::newRow("near the start") << 100000ull << 100ull << 3072ull << 3072ull << 0ull
                                        << 100ull;
        QTest::newRow("short length raised to 3N") << 100000ull << 5000ull << 10ull << 3072ull
                                                   << 3976ull << 5000ull;
        QTest::newRow("length cut to the record") << 2000ull << 500ull << 9000ull << 2000ull
                                                  << 0ull << 500ull;
        QTest::newRow("(0, 0) is the whole record") << 50000ull << 0ull << 0ull << 50000ull
                                                    << 0ull << 0ull;
    }

    void positionsAndLengths()
    {
        QFETCH(qulonglong, samples);
        QFETCH(qulonglong, pos);
        QFETCH(qulonglong, len);
        QFETCH(qulonglong, readLength);
        QFETCH(qulonglong, windowStart);
        QFETCH(qulonglong, spectrumStart);
        ReadWindow w;
        w.setPosition(12345, 4000, 1024, samples); // a window elsewhere first
        w.windowChanged = false;
        w.setPosition(pos, len, 1024, samples);
        QCOMPARE(qulonglong(w.readLength), readLength);
        QCOMPARE(qulonglong(w.windowStart), windowStart);
        QCOMPARE(qulonglong(w.spectrumStart), spectrumStart);
        QVERIFY(w.reloadNeeded);
        // The analysed block never leaves the buffer.
        const uint64_t offset = w.spectrumOffset(w.readLength, 1024);
        QVERIFY(offset + 1024 <= w.readLength);
        QCOMPARE(qulonglong(w.windowStart + offset), std::min(spectrumStart, qulonglong(w.windowStart + w.readLength - 1024)));
    }

    void scrollingInsideTheBufferKeepsIt()
    {
        ReadWindow w;
        w.setPosition(30000, 1024, 1024, 100000); // a 1024-sample view in a 3072-sample buffer
        w.windowChanged = w.reloadNeeded = false;
        w.setPosition(30500, 1024, 1024, 100000);
        QCOMPARE(qulonglong(w.windowStart), 28976ull);
        QVERIFY(!w.reloadNeeded);
        w.setPosition(31500, 1024, 1024, 100000);
        QCOMPARE(qulonglong(w.windowStart), 30476ull);
        QVERIFY(w.reloadNeeded);
    }

    void liveStreamHasNoEnd()
    {
        // A growing record of unknown length: nothing is cut to a length of 0.
        ReadWindow w;
        w.setPosition(1000000, 4096, 1024, 0);
        QCOMPARE(qulonglong(w.readLength), 4096ull);
        QCOMPARE(qulonglong(w.spectrumStart), 1000000ull);
        QCOMPARE(qulonglong(w.windowStart), 1000000ull - 4096 / 3);
        // A buffer shorter than the block leaves the offset at 0 instead of wrapping.
        QCOMPARE(qulonglong(w.spectrumOffset(512, 1024)), 0ull);
    }

    void fftSizeChanges()
    {
        ProbeSource s(3000);
        s.setFftSize(1024);
        QVERIFY(!s.settingsChanged()); // the same size does nothing
        s.setFftSize(4096);            // longer than the record
        QCOMPARE(s.fftSize(), 2048u);
        QVERIFY(s.settingsChanged());
        QCOMPARE(qulonglong(s.readLength()), 3000ull);
        s.setFftSize(1000); // not a power of two: the spectrum path could not take it
        QCOMPARE(s.fftSize(), 512u);
    }

    void allDataModeIgnoresLengths()
    {
        ProbeSource s(100000);
        s.setPosition(0, 4000);
        s.setAllDataMode(true);
        QVERIFY(s.windowChanged());
        s.setReadLength(9000);
        QCOMPARE(qulonglong(s.readLength()), 4000ull);
    }

    void shortRecordShrinksTheTransform()
    {
        SignalSimulation sim;
        SimulationSettings settings;
        settings.sampleCount = 1000;
        applySimulation(sim, settings);
        BlockWaiter waiter(sim);
        QVERIFY(waiter.fetch());
        QCOMPARE(sim.fftSize(), 512u);
        QCOMPARE(sim.lastBlock()->binCount, 256);
    }

    void channelSetOfSeveralFiles()
    {
        std::vector<FileParams> files{layout16(2, 1000, 3), layout16(2, 1000, 0)};
        files.front().channelNumbers = {3, 5};
        const ChannelMap map(files);
        QCOMPARE(map.numbers(), (QList<int>{3, 5, 6, 7}));
        QCOMPARE(map.totalCount(), 4);
        QCOMPARE(map.indexOf(6), 2);
        QCOMPARE(map.fileOfChannel(7), 1);
        QCOMPARE(map.fileOfChannel(5), 0);
        QCOMPARE(map.indexOf(4), -1);
        QCOMPARE(map.fileOfChannel(4), 0);
        QCOMPARE(map.fileOfIndex(3), 1);
        QCOMPARE(map.fileOfIndex(99), 0);
        // A file whose postfix is not read yet adds no channels.
        files.push_back(FileParams());
        QCOMPARE(ChannelMap(files).totalCount(), 4);
        // Nor does a first file that names none.
        QVERIFY(ChannelMap({FileParams()}).numbers().isEmpty());
    }
};

QTEST_GUILESS_MAIN(WindowTest)
#include "test_window.moc"
