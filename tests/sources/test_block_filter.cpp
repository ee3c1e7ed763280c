// The filter as the source applies it: the dialog's keys as stored, parameters that cannot be
// designed refused by key and value, a block left as it was (never zeros) when the filter
// fails, identical blocks giving identical output, the delay left in, and the generator
// filtering each channel, or once after summing.
#include "SourceTestKit.h"

#include "sources/BlockFilter.h"
#include "sources/record/FileSource.h"
#include "sources/settings/FilterSettings.h"
#include "sources/record/RecordWriter.h"
#include "sources/generator/SignalSimulation.h"
#include "sources/generator/SimulationSettings.h"
#include "tests/ScratchIni.h"

#include <QtTest>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

FilterParams iirParams(int family, int function, int order, float lowKhz, float upKhz = 0)
{
    FilterParams p = FilterSettings::defaults();
    p.filterType = 1;
    p.iirFilter = uint32_t(family);
    p.filterFunction = uint8_t(function);
    p.iirOrder = order;
    p.iirLowFreq = lowKhz;
    p.iirUpFreq = upKhz;
    p.filterId = filterIdOf(p);
    return p;
}

FilterParams firParams(int length, float lowKhz)
{
    FilterParams p = FilterSettings::defaults();
    p.firLength = length;
    p.firLowFreq = lowKhz;
    p.filterId = filterIdOf(p);
    return p;
}

std::vector<double> ramp(size_t n)
{
    std::vector<double> x(n);
    for (size_t i = 0; i < n; ++i)
        x[i] = std::sin(0.01 * double(i)) * 1000 + double(i % 7);
    return x;
}

bool sameBits(const std::vector<double> &a, const std::vector<double> &b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

} // namespace

class BlockFilterTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void settingsStoreTheFifteenKeys()
    {
        ScratchIni ini;
        FilterSettings s;
        s.load(ini.path()); // no file: the defaults
        const FilterParams d = FilterSettings::defaults();
        QVERIFY(s.params == d);
        QCOMPARE(d.firFilter, uint8_t(1));
        QCOMPARE(d.firLength, 201);
        QCOMPARE(d.iirOrder, 5);
        QCOMPARE(d.iirDepresion, 40.0f);
        QCOMPARE(d.filterId, 4);

        FilterSettings edited;
        edited.params = iirParams(3, 3, 7, 12.5f, 17.25f);
        edited.params.iirPulse = 0.25f;
        edited.params.iirDepresion = 70;
        edited.params.firWindow = 4;
        edited.save(ini.path());
        const QStringList keys = openIni(ini.path())->allKeys();
        QCOMPARE(keys.size(), 15);
        for (const char *key : {"FilterType", "FilterFunction", "FirFilter", "FirWindow",
                                "FirLength", "FirBetaKaiser", "FirLowFreq", "FirUpFreq",
                                "IirFilter", "IirOrder", "IirLowFreq", "IirUpFreq", "IirPulse",
                                "IirDepresion", "FilterId"})
            QVERIFY2(keys.contains(QStringLiteral("Filtration/") + key), key);
        QCOMPARE(ini.get("Filtration/FilterId").toInt(), 47); // elliptic band-stop
        FilterSettings back;
        back.load(ini.path());
        QVERIFY(back.params == edited.params);
    }

    void damagedSettingsAreClamped()
    {
        ScratchIni ini;
        ini.set("Filtration/FirLength", 999999999);
        ini.set("Filtration/FilterType", 7);
        ini.set("Filtration/IirFilter", -1);
        ini.set("Filtration/FirLowFreq", "abc");
        ini.set("Filtration/FilterId", 99);
        ini.set("Filtration/FirFilter", 1);
        ini.set("Filtration/FilterFunction", 1);
        FilterSettings s;
        s.load(ini.path());
        QCOMPARE(s.params.firLength, FilterSettings::MaxFirLength);
        QCOMPARE(s.params.filterType, uint8_t(0));
        QCOMPARE(s.params.iirFilter, 0u);
        QCOMPARE(s.params.firLowFreq, 20.0f);
        QCOMPARE(s.params.filterId, 5); // windowed FIR high-pass, from the fields
        ini.set("Filtration/FirLength", 200);
        s.load(ini.path());
        QCOMPARE(s.params.firLength, 201);
    }

    void refusedByKeyValueAndRule_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<double>("fs");
        QTest::addColumn<QString>("named");
        QTest::newRow("order 0") << 0 << 1e6 << "Filtration/IirOrder = 0";
        QTest::newRow("order above the limit") << 1 << 1e6 << "Filtration/IirOrder = 41";
        QTest::newRow("ripple 0") << 2 << 1e6 << "Filtration/IirPulse = 0";
        QTest::newRow("attenuation negative") << 3 << 1e6 << "Filtration/IirDepresion = -5";
        QTest::newRow("elliptic As <= Ap") << 4 << 1e6 << "Filtration/IirDepresion = 1";
        QTest::newRow("cut-off at Nyquist") << 5 << 1e6 << "Filtration/IirLowFreq = 500";
        QTest::newRow("cut-off 0") << 6 << 1e6 << "Filtration/FirLowFreq = 0";
        QTest::newRow("edges crossed") << 7 << 1e6 << "Filtration/FirUpFreq = 20";
        QTest::newRow("one tap") << 8 << 1e6 << "Filtration/FirLength = 1";
        QTest::newRow("beta 101") << 9 << 1e6 << "Filtration/FirBetaKaiser = 101";
        QTest::newRow("no sampling rate") << 10 << 0.0 << "Частота дискретизации 0";
        // 1 mHz at 1 MHz, order 40: no double separates the poles from the unit circle.
        QTest::newRow("poles on the circle") << 11 << 1e6 << "БИХ-фильтр не построен";
    }

    void refusedByKeyValueAndRule()
    {
        QFETCH(int, field);
        QFETCH(double, fs);
        QFETCH(QString, named);
        FilterParams p = iirParams(0, 0, 5, 20);
        switch (field) {
        case 0: p.iirOrder = 0; break;
        case 1: p.iirOrder = 41; break;
        case 2: p = iirParams(1, 0, 5, 20); p.iirPulse = 0; break;
        case 3: p = iirParams(2, 0, 5, 20); p.iirDepresion = -5; break;
        case 4: p = iirParams(3, 0, 5, 20); p.iirPulse = 1; p.iirDepresion = 1; break;
        case 5: p.iirLowFreq = 500; break;
        case 6: p = firParams(201, 0); break;
        case 7: p = firParams(201, 30); p.filterFunction = 2; p.firUpFreq = 20; break;
        case 8: p = firParams(1, 30); break;
        case 9: p = firParams(201, 30); p.firFilter = 0; p.firBetaKaiser = 101; break;
        case 11: p = iirParams(0, 0, 40, 1e-6f); break;
        default: break;
        }
        const QString error = designFilter(p, fs).error;
        QVERIFY2(error.startsWith(named), qPrintable(error));
        // And the block is left as it was: the old flow would have copied zeros back.
        std::vector<double> x = ramp(1000);
        const std::vector<double> before = x;
        BlockFilter filter;
        QCOMPARE(filter.apply(x.data(), x.size(), nullptr, 0, fs, p), error);
        QVERIFY(sameBits(x, before));
    }

    // A filter whose output is not finite leaves the samples; a good one filters the next block.
    void nonFiniteOutputLeavesTheSamples()
    {
        BlockFilter filter;
        const FilterParams p = iirParams(3, 0, 6, 50);
        std::vector<double> x = ramp(500);
        x[100] = INFINITY;
        const std::vector<double> before = x;
        QVERIFY(!filter.apply(x.data(), x.size(), nullptr, 0, 1e6, p).isEmpty());
        QVERIFY(sameBits(x, before));
        x[100] = 0;
        QCOMPARE(filter.apply(x.data(), x.size(), nullptr, 0, 1e6, p), QString());
        QVERIFY(!sameBits(x, before));
    }

    // Every block from rest: identical samples filter to identical output, also after a block
    // with other parameters, and for the FIR's transform path.
    void identicalBlocksGiveIdenticalOutput()
    {
        for (const FilterParams &p : {iirParams(4, 2, 4, 10, 40), firParams(2001, 30)}) {
            BlockFilter filter;
            std::vector<double> a = ramp(20000), b = ramp(20000), c = ramp(20000);
            QCOMPARE(filter.apply(a.data(), a.size(), nullptr, 0, 1e6, p), QString());
            QCOMPARE(filter.apply(c.data(), c.size(), nullptr, 0, 1e6, iirParams(0, 1, 3, 5)), QString());
            QCOMPARE(filter.apply(b.data(), b.size(), nullptr, 0, 1e6, p), QString());
            QVERIFY(sameBits(a, b));
        }
    }

    // A 21-tap FIR lags by 10 samples; an even length of 200 is used as 201 (lag 100).
    void firLagIsHalfTheOddLength()
    {
        for (int length : {21, 200}) {
            std::vector<double> x(1000, 0.0);
            x[300] = 1;
            BlockFilter filter;
            QCOMPARE(filter.apply(x.data(), x.size(), nullptr, 0, 1e6, firParams(length, 100)), QString());
            const auto peak = std::max_element(x.begin(), x.end()) - x.begin();
            QCOMPARE(int(peak), 300 + (length | 1) / 2);
        }
    }

    // In the source: a block filtered with parameters that cannot be designed keeps its
    // samples and says why in its snapshot; good parameters then filter the next block.
    void sourceShowsWhyAndKeepsTheSamples()
    {
        RecordRecipe recipe = defaultRecordRecipe();
        recipe.params = layout16(2, 8192);
        recipe.tones = {{200000, 20000, 0}};
        const QString file = m_dir.filePath("tone.bin");
        QVERIFY(writeRecordFile(file, recipe, true));
        FileSource source;
        source.setFileName(file);
        BlockWaiter waiter(source);
        QVERIFY(waiter.fetch());
        const BlockSnapshotPtr plain = source.lastBlock();
        QVERIFY(plain->filterStatus.isEmpty());

        source.setFilterParams(iirParams(0, 0, 5, 600)); // above Fs / 2
        source.setFilterEnabled(true);
        QVERIFY(waiter.fetch());
        const BlockSnapshotPtr refused = source.lastBlock();
        QVERIFY(refused->filterStatus.startsWith("Filtration/IirLowFreq = 600"));
        for (int k = 0; k < 2; ++k)
            QVERIFY(std::memcmp(refused->channelSamples(k), plain->channelSamples(k),
                                size_t(plain->sampleLength) * sizeof(double)) == 0);

        source.setFilterParams(iirParams(3, 0, 6, 20)); // elliptic, 40 dB: the tone is gone
        QVERIFY(waiter.fetch());
        const BlockSnapshotPtr filtered = source.lastBlock();
        QVERIFY(filtered->filterStatus.isEmpty());
        const ChannelRecord *before = plain->channelRecord(0), *after = filtered->channelRecord(0);
        QVERIFY(after->maximum < before->maximum * 0.05);

        source.setFilterEnabled(false);
        QVERIFY(waiter.fetch());
        QVERIFY(std::memcmp(source.lastBlock()->channelSamples(0), plain->channelSamples(0),
                            size_t(plain->sampleLength) * sizeof(double)) == 0);
    }

    // A long filter runs in over the record before the block, so that its SNR is the
    // physics of the noise it passes (a 6000-code tone over 2 LSB RMS of white noise and the
    // quantisation's 1/12 LSB², a fifth of which a 100 kHz low-pass at 1 MS/s keeps), not its
    // start-up; a block at the record's start says how many samples the filter had no run-in
    // for. The generator runs the filter in on its own tones.
    void filterRunsInBeforeTheBlock()
    {
        RecordRecipe recipe = defaultRecordRecipe();
        recipe.params = layout16(1, 200000);
        recipe.params.bitRange = 14;
        recipe.tones = {{10000, 6000, 0}};
        recipe.noiseRms = 2;
        const QString file = m_dir.filePath("runin.bin");
        QVERIFY(writeRecordFile(file, recipe, true));
        const double physics = 10 * std::log10(6000.0 * 6000.0 / 2 / ((4 + 1 / 12.0) * 0.2));
        struct Row {
            FilterParams params;
            uint64_t position;
            uint64_t unsettled;
        };
        const Row rows[] = {{firParams(201, 100), 50000, 0},
                            {firParams(20001, 100), 50000, 0},
                            {firParams(20001, 100), 0, 20000},
                            {iirParams(0, 0, 6, 100), 50000, 0}};
        for (const Row &row : rows) {
            FileSource source;
            source.setFileName(file);
            source.setFftSize(8192);
            source.setPosition(row.position, 3 * 8192);
            source.setFilterParams(row.params);
            source.setFilterEnabled(true);
            BlockWaiter waiter(source);
            QVERIFY(waiter.fetch());
            const BlockSnapshotPtr block = source.lastBlock();
            QVERIFY(block->filterStatus.isEmpty());
            if (row.params.filterType == 1 && row.position == 0)
                QVERIFY(block->filterUnsettled > 0);
            else
                QCOMPARE(block->filterUnsettled, row.unsettled);
            if (row.unsettled == 0)
                // One block's noise estimate scatters by +-0.4 dB; a start-up costs 9 dB or more.
                QVERIFY2(std::abs(block->channelRecord(0)->snr - physics) < 1.0,
                         qPrintable(QString::number(block->channelRecord(0)->snr)));
        }

        SimulationSettings s;
        s.sampleCount = 8192;
        s.sampleRate = 1e6;
        s.rows[0].enabled = true;
        s.rows[0].frequency = 10000;
        s.rows[0].amplitude = 6000;
        SignalSimulation sim;
        applySimulation(sim, s);
        sim.setFilterParams(firParams(20001, 100));
        sim.setFilterEnabled(true);
        BlockWaiter waiter(sim);
        QVERIFY(waiter.fetch());
        QCOMPARE(sim.lastBlock()->filterUnsettled, uint64_t(0));
        QVERIFY(sim.lastBlock()->channelRecord(0)->snr > 80);
    }

    // The generator filters each output channel, or, with one signal, the sum once.
    void generatorFiltersEachChannelOrTheSum()
    {
        for (bool many : {true, false}) {
            SimulationSettings s;
            s.manySignals = many;
            s.sampleCount = 4096;
            for (int row = 0; row < 3; ++row) {
                s.rows[size_t(row)].enabled = true;
                s.rows[size_t(row)].frequency = 1000 * (row + 1);
                s.rows[size_t(row)].amplitude = 1000;
            }
            SignalSimulation sim;
            applySimulation(sim, s);
            int calls = 0;
            size_t length = 0;
            sim.setChannelFilter([&](double *, size_t n, double rate, const FilterParams &) {
                ++calls;
                length = n;
                return rate == s.sampleRate ? QString() : QStringLiteral("rate");
            });
            sim.setFilterEnabled(true);
            BlockWaiter waiter(sim);
            QVERIFY(waiter.fetch());
            QCOMPARE(calls, many ? 3 : 1);
            QCOMPARE(length, size_t(4096));
            QVERIFY(sim.lastBlock()->filterStatus.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(BlockFilterTest)
#include "test_block_filter.moc"
