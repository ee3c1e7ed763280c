// The per-channel steps of a block across a pool of threads: a record read with one thread and
// with several gives the same block to the bit (samples, spectra, every figure, extremes,
// filter status), and the pool itself runs every item once and hands a job's failure back.
#include "SourceTestKit.h"

#include "dsp/WorkerPool.h"
#include "sources/record/FileSource.h"
#include "sources/record/RecordWriter.h"
#include "sources/settings/FilterSettings.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

bool sameBits(const double *a, const double *b, size_t count)
{
    return (a == nullptr) == (b == nullptr) &&
           (count == 0 || !a || std::memcmp(a, b, count * sizeof(double)) == 0);
}

// The figures a channel record carries, in order, for a bitwise comparison.
std::vector<double> figures(const ChannelRecord &r)
{
    std::vector<double> v = {r.fundamentalFrequency, r.totalRms, r.fundamentalRms,
                             double(r.peakBin), r.sinad, r.sfdr, r.snr, r.thd, r.enob,
                             r.maximum, r.minimum};
    v.insert(v.end(), r.harmonicLevels, r.harmonicLevels + MaxHarmonics);
    v.insert(v.end(), r.harmonicBins, r.harmonicBins + MaxHarmonics);
    return v;
}

struct Case {
    const char *name;
    bool complex;
    int filterType; // -1 off, 0 FIR, 1 IIR
    uint32_t average;
};

const Case Cases[] = {{"real", false, -1, 1},
                      {"real FIR", false, 0, 1},
                      {"real IIR averaged", false, 1, 3},
                      {"I/Q pairs averaged", true, -1, 2}};

} // namespace

class ChannelThreadsTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    // The last of `blocks` blocks served at `threads` threads.
    BlockSnapshotPtr serve(const QString &record, const Case &c, int threads)
    {
        FileSource source;
        source.setWorkerThreads(threads);
        source.setFileName(record);
        SpectrumSettings spectrum;
        spectrum.fftSize = 8192;
        spectrum.averageCount = c.average;
        source.setSpectrumSettings(spectrum);
        FilterParams filter = FilterSettings::defaults();
        filter.filterType = uint8_t(std::max(c.filterType, 0));
        filter.firLength = 255;
        filter.firLowFreq = 50;
        filter.iirOrder = 6;
        filter.iirLowFreq = 50;
        filter.filterId = filterIdOf(filter);
        source.setFilterParams(filter);
        source.setFilterEnabled(c.filterType >= 0);
        // Past the record's start, so that the filter runs in over the samples before.
        source.setPosition(5000, 3 * 8192);
        BlockWaiter waiter(source);
        for (uint32_t k = 0; k < c.average + 1; ++k)
            if (!waiter.fetch())
                return nullptr;
        return source.lastBlock();
    }

private slots:
    void sameBlockAtAnyThreadCount_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(Cases)); ++i)
            QTest::newRow(Cases[i].name) << i;
    }

    void sameBlockAtAnyThreadCount()
    {
        QFETCH(int, index);
        const Case &c = Cases[index];
        RecordRecipe recipe = defaultRecordRecipe();
        // Odd, so that an I/Q record ends with an unpaired channel.
        recipe.params.channelCount = 7;
        recipe.params.bitRange = 14;
        recipe.params.isComplex = c.complex;
        recipe.params.sampleCount = 60000;
        recipe.tones = {{12345.6, 5000, 0}, {98765.4, 300, 0}};
        recipe.noiseRms = 2;
        recipe.channelDelay = 1e-6;
        const QString record = m_dir.filePath(QStringLiteral("r%1.bin").arg(index));
        QVERIFY(writeRecordFile(record, recipe, true));

        const BlockSnapshotPtr one = serve(record, c, 1);
        const BlockSnapshotPtr many = serve(record, c, 3);
        QVERIFY(one && many);
        QCOMPARE(one->readStatus, 0);
        QCOMPARE(many->sampleChannels, one->sampleChannels);
        QCOMPARE(many->sampleLength, one->sampleLength);
        QVERIFY(one->sampleChannels == 7 && one->spectrumChannels == 7 && one->binCount > 0);
        QVERIFY(sameBits(many->samples.get(), one->samples.get(),
                         size_t(one->sampleChannels) * size_t(one->sampleLength)));
        QCOMPARE(many->binCount, one->binCount);
        QVERIFY(sameBits(many->spectra.get(), one->spectra.get(),
                         size_t(one->spectrumChannels) * size_t(one->binCount)));
        QCOMPARE(many->filterStatus, one->filterStatus);
        QCOMPARE(many->filterUnsettled, one->filterUnsettled);
        QCOMPARE(many->records.size(), one->records.size());
        for (size_t k = 0; k < one->records.size(); ++k) {
            const std::vector<double> a = figures(one->records[k]), b = figures(many->records[k]);
            QVERIFY2(sameBits(a.data(), b.data(), a.size()), qPrintable(QString::number(k)));
        }
        // Measured at all: a block of zeros would pass the comparisons too.
        QVERIFY(std::abs(one->records[0].fundamentalFrequency - 12345.6) < 5 &&
                one->records[0].maximum > 4000);
    }

    void poolRunsEveryItemOnceAndReportsFailure()
    {
        WorkerPool pool(3);
        QCOMPARE(pool.threadCount(), 3);
        for (int count : {0, 1, 2, 37}) {
            std::vector<std::atomic<int>> runs(static_cast<size_t>(count));
            std::atomic<bool> workerInRange{true};
            pool.run(count, [&](int item, int worker) {
                ++runs[size_t(item)];
                if (worker < 0 || worker >= 3)
                    workerInRange = false;
            });
            for (const std::atomic<int> &r : runs)
                QCOMPARE(r.load(), 1);
            QVERIFY(workerInRange);
        }
        std::atomic<int> done{0};
        bool thrown = false;
        try {
            pool.run(10, [&](int item, int) {
                if (item == 4)
                    throw std::runtime_error("channel 4");
                ++done;
            });
        } catch (const std::runtime_error &) {
            thrown = true;
        }
        QVERIFY(thrown);
        QCOMPARE(done.load(), 9); // the other items still ran
    }
};

QTEST_GUILESS_MAIN(ChannelThreadsTest)
#include "test_channel_threads.moc"
