// Record files through the whole block path: several files as one channel set, records
// without postfix, growing records, spectrum files, the spectrum and marker read-outs against
// physics, and one signal per request whatever happens.
#include "SourceTestKit.h"

#include "dsp/Windows.h"
#include "sources/record/FileAccess.h"
#include "sources/record/FileSource.h"
#include "sources/record/RecordWriter.h"
#include "sources/SampleCodes.h"

#include <QTemporaryDir>
#include <QDir>
#include <QElapsedTimer>
#include <QtTest>

#include <cmath>

namespace {

// A record of `frames` frames of 16-bit codes given per frame, with the postfix of `p`.
QByteArray record16(const std::vector<int> &interleaved, const FileParams &p)
{
    return samples16(interleaved) + formatPostfix(p, "test");
}

RecordRecipe toneRecipe(uint32_t channels, uint64_t samples, bool complex, double frequency,
                    double amplitude)
{
    RecordRecipe recipe = defaultRecordRecipe();
    recipe.params = layout16(channels, samples);
    recipe.params.isComplex = complex;
    recipe.tones = {{frequency, amplitude, 0.0}};
    return recipe;
}

} // namespace

class FileSourceTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void twoFilesAreOneChannelSet()
    {
        FileParams a = layout16(2, 8), b = layout16(2, 8);
        a.channelNumbers = {3, 5};
        std::vector<int> codesA, codesB;
        for (int f = 0; f < 8; ++f) {
            codesA.insert(codesA.end(), {f, -f});
            codesB.insert(codesB.end(), {100 + f, -100 - f});
        }
        QVERIFY(writeBytes(path("a.bin"), record16(codesA, a)));
        QVERIFY(writeBytes(path("b.bin"), record16(codesB, b)));
        FileSource source;
        source.setFileName(path("a.bin"));
        source.addFile(path("b.bin"));
        source.setFftSize(8);
        source.setComputeSpectrum(false);
        BlockWaiter waiter(source);
        QVERIFY(waiter.fetch());
        QCOMPARE(source.lastBlock()->channels.totalCount(), 4);
        QCOMPARE(source.lastBlock()->channels.numbers(), (QList<int>{3, 5, 6, 7}));
        const double *second = source.lastBlock()->channelSamples(2);
        QVERIFY(second);
        for (int f = 0; f < 8; ++f) {
            QCOMPARE(second[f], 100.0 + f);
            QCOMPARE(source.lastBlock()->channelSamples(3)[f], -100.0 - f);
        }
        // Extremes of every channel, the second file's too.
        QCOMPARE(source.channelRecord(3)->minimum, -107.0);
        QCOMPARE(source.channelRecord(3)->maximum, -100.0);
        QCOMPARE(source.channelRecord(1)->minimum, -7.0);
        QCOMPARE(source.channelRecord(2)->channelNumber, 6);
    }

    void oneSignalPerRequestWhateverHappens()
    {
        FileParams p = layout16(1, 64);
        QVERIFY(writeBytes(path("good.bin"), record16(std::vector<int>(64, 7), p)));
        QVERIFY(writeBytes(path("bad.bin"), samples16(std::vector<int>(64, 7)) +
                                               formatPostfix(p, "x").replace("NO", "no")));
        FileSource source;
        source.setFftSize(16);
        BlockWaiter waiter(source);
        source.setFileName(path("missing.bin"));
        QVERIFY(waiter.fetch());
        QCOMPARE(source.readStatus(), -1);
        source.setFileName(path("bad.bin"));
        QVERIFY(waiter.fetch());
        QVERIFY(source.readError());
        QVERIFY(waiter.fetch()); // the error stays until the postfix is mended
        QVERIFY(source.readError());
        source.setFileName(path("good.bin"));
        for (int i = 0; i < 5; ++i) {
            QVERIFY(waiter.fetch());
            QVERIFY(!source.readError());
            QCOMPARE(source.readStatus(), 0);
        }
        QCOMPARE(waiter.count(), 8);
    }

    // A whole record the memory cannot hold: acquisition stops, saying what was too large.
    void sampleBufferBeyondMemoryIsNamed()
    {
        QVERIFY(writeBytes(path("large.bin"), record16(std::vector<int>(2 * 20000, 5), layout16(2, 20000))));
        FileSource source;
        source.setFileName(path("large.bin"));
        source.setComputeSpectrum(false);
        source.setMemoryLimit(100000);
        source.setAllDataMode(true);
        BlockWaiter waiter(source);
        QVERIFY(waiter.fetch());
        QCOMPARE(source.lastBlock()->readStatus, -1);
        const QString failure = source.lastBlock()->readFailure;
        QVERIFY2(failure.contains("2 каналов × 20000 отсчётов × 8 байт = 320000 байт"), qPrintable(failure));
    }

    void recordWithoutPostfixUsesUserParameters()
    {
        // Gray-coded 12-bit samples in 2 bytes, and a postfix too far from the end to count.
        FileParams p = layout16(2, 0);
        QByteArray data;
        for (int f = 0; f < 1000; ++f) {
            for (int c = 0; c < 2; ++c) {
                const uint32_t s = encodeSample(c ? -f : f, 2, CodeGray, 12);
                data.append(char(s & 0xff)).append(char(s >> 8));
            }
        }
        const QByteArray hidden = formatPostfix(layout16(1, 8), "hidden") + QByteArray(4096, 'x');
        QVERIFY(writeBytes(path("raw.bin"), data + hidden));
        p.bitRange = 12;
        p.codeType = CodeGray;
        p.channelNumbers.clear();
        FileSource source;
        source.setFileName(path("raw.bin"));
        source.setUserFileParams(p);
        source.setComputeSpectrum(false);
        BlockWaiter waiter(source);
        QVERIFY(waiter.fetch());
        QVERIFY(!source.readError());
        QVERIFY(!source.postfixKnown());
        QVERIFY(source.useUserParams());
        const FileParams used = source.fileParams();
        QCOMPARE(used.channelCount, 2u);
        QCOMPARE(used.sampleCount, uint64_t(data.size() + hidden.size()) / 4);
        QCOMPARE(source.lastBlock()->channels.numbers(), (QList<int>{0, 1}));
        for (int f = 0; f < 1000; ++f) {
            QCOMPARE(source.lastBlock()->channelSamples(0)[f], double(f));
            QCOMPARE(source.lastBlock()->channelSamples(1)[f], double(-f));
        }
        // Without user parameters that fit the file there is nothing to read it with.
        FileSource bare;
        bare.setFileName(path("raw.bin"));
        BlockWaiter bareWaiter(bare);
        QVERIFY(bareWaiter.fetch());
        QVERIFY(bare.readError());
    }

    void growingRecordIsFollowed()
    {
        // The postfix claims 5000 samples; the producer has written 1200 so far.
        FileParams p = layout16(1, 5000);
        std::vector<int> codes(5000);
        for (int i = 0; i < 5000; ++i)
            codes[size_t(i)] = i % 3000 - 1500;
        const auto prefix = [&](int n) {
            return record16(std::vector<int>(codes.begin(), codes.begin() + n), p);
        };
        QVERIFY(writeBytes(path("grow.bin"), prefix(1200)));
        FileSource source;
        source.setFileName(path("grow.bin"));
        source.setFftSize(256);
        source.setPosition(0, 6000);
        source.setComputeSpectrum(false);
        BlockWaiter waiter(source);
        QVERIFY(waiter.fetch());
        QCOMPARE(source.fileParams().sampleCount, 1200ull);
        QCOMPARE(qulonglong(source.readLength()), 1200ull);
        QVERIFY(waiter.fetch());
        QVERIFY(writeBytes(path("grow.bin"), prefix(4000)));
        QVERIFY(waiter.fetch());
        QCOMPARE(source.fileParams().sampleCount, 4000ull);
        source.setPosition(0, 6000);
        QVERIFY(waiter.fetch());
        QCOMPARE(qulonglong(source.readLength()), 4000ull);
        QCOMPARE(source.lastBlock()->channelSamples(0)[3999], double(codes[3999]));
    }

    void aPostfixLostBesideOneReadIsNotKeptFromTheCache()
    {
        const FileParams p = layout16(1, 8);
        const std::vector<int> codes(8, 3);
        QVERIFY(writeBytes(path("live_a.bin"), record16(codes, p)));
        QVERIFY(writeBytes(path("live_b.bin"), record16(codes, p)));
        FileSource source;
        source.setFileName(path("live_a.bin"));
        source.addFile(path("live_b.bin"));
        source.setComputeSpectrum(false);
        BlockWaiter waiter(source);
        QVERIFY(waiter.fetch());
        QVERIFY(source.postfixKnown());
        // The second record loses its description while the first keeps its own.
        QVERIFY(writeBytes(path("live_b.bin"), samples16(codes)));
        QVERIFY(waiter.fetch());
        QVERIFY(!source.postfixKnown());
        source.stopSource();
    }

    void aRecordThatWillNotOpenFailsWithItsNameWithinTheTimeLimit()
    {
        // A folder where the record should be: it exists, but no one can read it as a file
        // (a permission test would pass for root).
        const QString blocked = path("blocked.bin");
        QVERIFY(QDir().mkpath(blocked));
        FileSource source;
        source.setFileName(blocked);
        BlockWaiter waiter(source);
        QElapsedTimer t;
        t.start();
        QVERIFY(waiter.fetch(10000));
        QVERIFY(t.elapsed() >= OpenPatienceMs);
        QCOMPARE(source.lastBlock()->readStatus, -1);
        QCOMPARE(source.lastBlock()->readFailure,
                 QStringLiteral("Файл ") + blocked + QStringLiteral(" не может быть открыт"));
        source.stopSource();
    }

    void spectrumFileBypassesSamples()
    {
        // One channel, N = 1024, a single line at bin 100 of complex amplitude N * 0.3.
        const int n = 1024;
        std::vector<ComplexD> values(n, ComplexD{0, 0});
        values[100] = {0.3 * n, 0.0};
        QByteArray bytes(reinterpret_cast<const char *>(values.data()), int(n * sizeof(ComplexD)));
        bytes += "FFT_SIZE_ 1024\r\nNUMBER_OF_CHANNELS_ 1\r\nNUMBERS_OF_CHANNELS_ 4\r\n"
                 "SAMPLING_RATE_ 1024000\r\n";
        QVERIFY(writeBytes(path("spectrum.bin"), bytes));
        FileSource source;
        source.setFileName(path("spectrum.bin"));
        source.setFftSize(64);
        BlockWaiter waiter(source);
        QVERIFY(waiter.fetch());
        QCOMPARE(source.fftSize(), 1024u);
        QVERIFY(!source.lastBlock()->channelSamples(0));
        const double *s = source.lastBlock()->channelSpectrum(0);
        QVERIFY(s);
        QVERIFY(qAbs(s[100] - 2 * 0.09) < 1e-12); // one-sided: the line's power doubled
        const ChannelRecord *r = source.channelRecord(0);
        QCOMPARE(r->channelNumber, 4);
        QCOMPARE(r->peakBin, 100);
        QVERIFY(qAbs(r->fundamentalFrequency - 100000.0) < 1e-6);
    }

    void binCentredFullScaleSine()
    {
        // Full scale 32767 codes = 2.5 V; 64 cycles in N = 4096: the rectangular window holds
        // the whole tone in one bin of R^2/2.
        const double rate = 1e6, n = 4096;
        const RecordRecipe recipe = toneRecipe(1, 4096, false, 64 * rate / n, 32767);
        QVERIFY(writeRecordFile(path("sine.bin"), recipe, true));
        FileSource source;
        source.setFileName(path("sine.bin"));
        SpectrumSettings rectangular = source.spectrumSettings();
        rectangular.windowType = WindowRectangular;
        source.setSpectrumSettings(rectangular);
        source.setFftSize(4096);
        BlockWaiter waiter(source);
        QVERIFY(waiter.fetch());
        const double r = 2.5;
        const ChannelRecord *rec = source.channelRecord(0);
        QCOMPARE(rec->peakBin, 64);
        QVERIFY(qAbs(source.lastBlock()->channelSpectrum(0)[64] / (r * r / 2) - 1) < 1e-4);
        QVERIFY(qAbs(rec->fundamentalRms / (r / std::sqrt(2.0)) - 1) < 1e-4);
        QVERIFY(qAbs(*source.lastBlock()->toneAmplitude(0, 64) - rec->fundamentalRms) < 1e-9);
        QVERIFY(qAbs(*source.lastBlock()->toneFrequency(0, 64) - 64 * rate / n) < 1e-6);
        const BandLevel band = *source.lastBlock()->bandLevel(0, 0, 2047);
        QCOMPARE(band.peakBin, 64);
        QVERIFY(qAbs(band.levelMv / (1000 * rec->totalRms) - 1) < 1e-6);
        QVERIFY(!source.lastBlock()->toneAmplitude(99, 64)); // absent channel
    }

    void complexPairReadOutsInCentredRange()
    {
        // I = A cos, Q = A sin at +Fs/4: stored at bin 3N/4 of the centred spectrum.
        const double rate = 1e6;
        const RecordRecipe recipe = toneRecipe(2, 8192, true, rate / 4, 20000);
        QVERIFY(writeRecordFile(path("iq.bin"), recipe, true));
        FileSource source;
        source.setFileName(path("iq.bin"));
        source.setFftSize(1024);
        BlockWaiter waiter(source);
        QVERIFY(waiter.fetch());
        const ChannelRecord *i = source.channelRecord(0), *q = source.channelRecord(1);
        QCOMPARE(i->peakBin, 768);
        QVERIFY(qAbs(i->fundamentalFrequency - rate / 4) < 1e-6);
        // A complex tone of amplitude A volts has an RMS of A / sqrt(2).
        const double volts = 20000.0 / 32767 * 2.5;
        QVERIFY(qAbs(i->fundamentalRms / (volts / std::sqrt(2.0)) - 1) < 1e-3);
        QVERIFY(qAbs(*source.lastBlock()->toneFrequency(0, 768) - rate / 4) < 1e-6);
        QVERIFY(qAbs(*source.lastBlock()->toneAmplitude(0, 768) - i->fundamentalRms) < 1e-9);
        QCOMPARE(source.lastBlock()->bandLevel(1, 700, 800)->peakBin, 768);
        // The Q channel shows the I figures under its own number.
        QCOMPARE(q->channelNumber, 1);
        QCOMPARE(q->fundamentalRms, i->fundamentalRms);
        QCOMPARE(source.lastBlock()->channelSpectrum(1)[768], source.lastBlock()->channelSpectrum(0)[768]);
    }

    void filterRunsBeforeTheSpectrum()
    {
        QVERIFY(writeRecordFile(path("f.bin"), toneRecipe(2, 4096, false, 1000, 1000), true));
        FileSource source;
        source.setFileName(path("f.bin"));
        QList<QPair<size_t, double>> calls;
        source.setChannelFilter([&](double *s, size_t n, double rate, const FilterParams &) {
            calls << qMakePair(n, rate);
            std::fill(s, s + n, 5.0);
            return QString();
        });
        source.setFilterEnabled(true);
        BlockWaiter waiter(source);
        QVERIFY(waiter.fetch());
        QCOMPARE(calls.size(), 2);
        QCOMPARE(calls.first(), qMakePair(size_t(source.readLength()), 1e6));
        QCOMPARE(source.channelRecord(1)->maximum, 5.0);
        QCOMPARE(source.channelRecord(0)->peakBin, 0); // nothing but DC is left
    }
};

QTEST_GUILESS_MAIN(FileSourceTest)
#include "test_file_source.moc"
