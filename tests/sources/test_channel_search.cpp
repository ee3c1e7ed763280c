// Channel search: the level units against hand-computed values, the "Find/" keys as stored,
// the test order and strict comparisons over hand-built blocks, the report text, and
// orma-tool search finding the block a record was built with.
#include "tests/sources/ToolRun.h"
#include "sources/search/ChannelSearch.h"
#include "sources/record/Postfix.h"
#include "tests/ScratchIni.h"
#include "tests/sources/SourceTestKit.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <cmath>

namespace {

// A block of `length` samples per channel read from `windowStart`, displayed from `position`;
// sample values are volts at one volt per code. Every channel has a spectrum and a record.
struct BlockKit {
    std::vector<int> numbers;
    uint64_t length = 0;
    std::vector<double> samples;
    std::vector<ChannelRecord> records;
    uint64_t windowStart = 0, position = 0;

    BlockKit(std::vector<int> channelNumbers, uint64_t samplesPerChannel)
        : numbers(std::move(channelNumbers)), length(samplesPerChannel),
          samples(numbers.size() * samplesPerChannel, 0.0), records(numbers.size())
    {
        for (size_t k = 0; k < numbers.size(); ++k) {
            records[k].channelNumber = numbers[k];
            records[k].shown = true;
        }
    }
    double &at(int k, uint64_t j) { return samples[size_t(k) * length + j]; }

    BlockSnapshot build() const
    {
        BlockSnapshot b;
        FileParams p;
        p.channelCount = uint32_t(numbers.size());
        p.channelNumbers = numbers;
        p.sampleCount = windowStart + length;
        b.fileParams = {p};
        b.channels = ChannelMap(b.fileParams);
        b.records = records;
        b.window.windowStart = windowStart;
        b.window.position = position;
        b.window.readLength = length;
        // Exactly as large as the samples: a scan past the end reads outside (ASan sees it).
        auto copy = std::shared_ptr<double[]>(new double[samples.size()]);
        std::copy(samples.begin(), samples.end(), copy.get());
        b.samples = copy;
        b.sampleChannels = int(numbers.size());
        b.sampleLength = length;
        b.spectra = std::shared_ptr<const double[]>(new double[numbers.size() * 4]());
        b.spectrumChannels = int(numbers.size());
        b.binCount = 4;
        return b;
    }
};

SearchScope scopeOf(QList<int> channels, uint64_t width)
{
    SearchScope s;
    s.channels = std::move(channels);
    s.shownWidth = width;
    s.voltsPerCode = 1.0;
    s.impedance = 50;
    return s;
}

FindSettings only(int criterion, double threshold, int unit = LevelDb)
{
    FindSettings f;
    f.enabled[size_t(criterion)] = true;
    f.threshold[size_t(criterion)] = threshold;
    if (criterion >= FindUpPower && criterion <= FindLowPowerHarm)
        f.levelUnits[size_t(criterion - FindUpPower)] = unit;
    return f;
}

using Run = ToolRun;

// Two channels (device numbers 3 and 7) of 12-bit codes in 16-bit words over 5 V: a small
// sine, and on channel 7 one sample of code 1024 (2.5 V on the amplitude axis) at `spike`.
QByteArray spikeRecord(uint64_t samples, uint64_t spike)
{
    FileParams p;
    p.channelCount = 2;
    p.channelNumbers = {3, 7};
    p.sampleCount = samples;
    p.sampleRate = 1e6;
    p.voltageRangeMv = 5000;
    p.bitRange = 12;
    p.bytesPerSample = 2;
    p.shiftFrequencies = {0, 0};
    std::vector<int> codes;
    for (uint64_t j = 0; j < samples; ++j) {
        const int sine = int(std::lround(300 * std::sin(2 * M_PI * 50123.0 * double(j) / 1e6)));
        codes.push_back(sine * 16);
        codes.push_back((j == spike ? 1024 : sine) * 16);
    }
    return samples16(codes) + formatPostfix(p, "test");
}

} // namespace

class ChannelSearchTest : public QObject {
    Q_OBJECT
private slots:
    void levelUnitsFromAndToRmsVolts_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<double>("ohms");
        QTest::addColumn<double>("threshold");
        QTest::addColumn<double>("rmsVolts");
        QTest::newRow("dB") << int(LevelDb) << 50.0 << 0.0 << 1.0;
        QTest::newRow("dB -20") << int(LevelDb) << 50.0 << -20.0 << 0.1;
        QTest::newRow("dBm 50") << int(LevelDbm) << 50.0 << 13.010299956639813 << 1.0;
        QTest::newRow("dBm 600") << int(LevelDbm) << 600.0 << 0.0 << 0.7745966692414834;
        QTest::newRow("dBuV") << int(LevelDbuV) << 50.0 << 120.0 << 1.0;
        QTest::newRow("В(ампл)") << int(LevelVoltsPeak) << 50.0 << std::sqrt(2.0) << 1.0;
        QTest::newRow("В(эфф)") << int(LevelVoltsRms) << 50.0 << 0.25 << 0.25;
    }
    void levelUnitsFromAndToRmsVolts()
    {
        QFETCH(int, unit);
        QFETCH(double, ohms);
        QFETCH(double, threshold);
        QFETCH(double, rmsVolts);
        QVERIFY(std::abs(levelToRmsVolts(threshold, unit, ohms) - rmsVolts) < 1e-12);
        QVERIFY(std::abs(rmsVoltsToLevel(rmsVolts, unit, ohms, LevelThresholdLimit) - threshold) < 1e-9);
    }

    void unitTextsAndTheLogarithmOfNothing()
    {
        QCOMPARE(levelUnitTexts(), QStringList({"dB", "dBm", "dBuV", "В(ампл)", "В(эфф)"}));
        QCOMPARE(levelUnitOf("dBm"), int(LevelDbm));
        QCOMPARE(levelUnitOf("dbm"), -1);
        // A non-positive voltage has no logarithm: the spin box's lower limit, never NaN.
        for (int unit : {LevelDb, LevelDbm, LevelDbuV})
            for (double x : {0.0, -1.0, std::nan("")})
                QCOMPARE(rmsVoltsToLevel(x, unit, 50, 15000), -15000.0);
        QCOMPARE(rmsVoltsToLevel(1e30, LevelVoltsPeak, 50, 15000), 15000.0);
        QCOMPARE(rmsVoltsToLevel(-2, LevelVoltsRms, 50, 15000), -2.0);
    }

    void settingsKeysAsStored()
    {
        ScratchIni ini;
        FindSettings defaults;
        defaults.load(ini.path());
        QVERIFY(defaults.autoOpen);
        QVERIFY(defaults.currentChannel);
        QVERIFY(!defaults.anyEnabled());
        QVERIFY(defaults.channels.isEmpty());
        QCOMPARE(defaults.levelUnit(FindLowPowerHarm), int(LevelDb));

        FindSettings f;
        f.enabled[FindUpSnr] = true;
        f.threshold[FindUpSnr] = 72.5;
        f.threshold[FindLowFreq] = 3.25;
        f.levelUnits[FindLowPower - FindUpPower] = LevelVoltsRms;
        f.currentChannel = false;
        f.autoOpen = false;
        f.channels = {2, 5};
        f.save(ini.path());
        QCOMPARE(ini.get("Find/UpSnrEnable").toString(), QString("1"));
        QCOMPARE(ini.get("Find/UpSnr").toString(), QString("72.5"));
        QCOMPARE(ini.get("Find/LowFreqEnable").toString(), QString("0"));
        QCOMPARE(ini.get("Find/LowFreq").toString(), QString("3.25"));
        QCOMPARE(ini.get("Find/LowPowerDim").toString(), QString("В(эфф)"));
        QCOMPARE(ini.get("Find/UpPowerHarmDim").toString(), QString("dB"));
        QCOMPARE(ini.get("Find/IsCurrentChan").toString(), QString("0"));
        QCOMPARE(ini.get("Find/AutoOpen").toString(), QString("0"));
        QCOMPARE(ini.get("Find/FindChan0").toInt(), 2);
        QCOMPARE(ini.get("Find/FindChan1").toInt(), 5);
        QCOMPARE(ini.get("Find/FindChan2").toInt(), -1);
        QVERIFY(ini.bytes().contains("LowPowerDim=\xc2(\xfd\xf4\xf4)")); // CP1251

        FindSettings back;
        back.load(ini.path());
        QVERIFY(back.enabled == f.enabled);
        QVERIFY(back.threshold == f.threshold);
        QVERIFY(back.levelUnits == f.levelUnits);
        QCOMPARE(back.channels, QList<int>({2, 5}));
        QVERIFY(!back.currentChannel && !back.autoOpen);
    }

    void channelSelection()
    {
        ScratchIni ini;
        FindSettings f;
        f.save(ini.path()); // an empty selection
        QCOMPARE(ini.get("Find/FindChan0").toInt(), -1);
        f.load(ini.path());
        QCOMPARE(f.selectedChannels({0, 2, 5}), QList<int>({0, 2, 5}));
        // Channels the record does not have are skipped; none left means all.
        ini.set("Find/FindChan0", 9);
        ini.set("Find/FindChan1", 2);
        ini.set("Find/FindChan2", -1);
        ini.set("Find/FindChan3", 5); // after the end marker
        f.load(ini.path());
        QCOMPARE(f.selectedChannels({0, 2, 5}), QList<int>({2}));
        QCOMPARE(f.selectedChannels({0, 1}), QList<int>({0, 1}));
    }

    void damagedSettingsAreClamped()
    {
        ScratchIni ini;
        ini.write("[Find]\nUpSnr=1e9\nUpPower=-99999\nUpPowerDim=dBW\nUpFreq=-5\nLowLevelEnable=yes\n"
                  "UpThdEnable=1.0\n");
        FindSettings f;
        f.load(ini.path());
        QCOMPARE(f.threshold[FindUpSnr], 300.0);
        QCOMPARE(f.threshold[FindUpPower], -15000.0);
        QCOMPARE(f.levelUnit(FindUpPower), int(LevelDb));
        QCOMPARE(f.threshold[FindUpFreq], 0.0);
        QVERIFY(!f.enabled[FindLowLevel]);
        QVERIFY(f.enabled[FindUpThd]);
    }

    void levelScanCoversTheShownSamplesOnly()
    {
        // 300 samples read from 1000, shown from 1100 over 100 samples.
        BlockKit kit({0}, 300);
        kit.windowStart = 1000;
        kit.position = 1100;
        kit.at(0, 50) = 9;   // before the shown span (buffer start)
        kit.at(0, 250) = 9;  // after it
        const BlockSnapshot b = kit.build();
        const FindSettings f = only(FindUpLevel, 5);
        QVERIFY(searchBlock(b, f, scopeOf({0}, 100)).empty());

        kit.at(0, 199) = 6; // the last shown sample
        const auto m = searchBlock(kit.build(), f, scopeOf({0}, 100));
        QCOMPARE(int(m.size()), 1);
        QCOMPARE(m[0].sample, uint64_t(1199));
        QCOMPARE(m[0].value, 6.0);
        QCOMPARE(m[0].threshold, 5.0);

        // A shown width past the buffer's end stops at the end; the spike at 250 counts then.
        kit.at(0, 199) = 0;
        const auto tail = searchBlock(kit.build(), f, scopeOf({0}, 100000));
        QCOMPARE(int(tail.size()), 1);
        QCOMPARE(tail[0].sample, uint64_t(1250));
        // A display position past the buffer finds nothing and reads nothing.
        kit.position = 5000;
        QVERIFY(searchBlock(kit.build(), f, scopeOf({0}, 100)).empty());
    }

    void levelComparisonsAreStrictAndScaled()
    {
        BlockKit kit({4}, 64);
        kit.at(0, 10) = 100; // 100 codes
        kit.at(0, 20) = -100;
        const BlockSnapshot b = kit.build();
        SearchScope s = scopeOf({4}, 64);
        s.voltsPerCode = 0.025; // 2.5 V and -2.5 V
        QVERIFY(searchBlock(b, only(FindUpLevel, 2.5), s).empty());
        QVERIFY(searchBlock(b, only(FindLowLevel, -2.5), s).empty());
        QCOMPARE(int(searchBlock(b, only(FindUpLevel, 2.49), s).size()), 1);
        const auto low = searchBlock(b, only(FindLowLevel, -2.49), s);
        QCOMPARE(int(low.size()), 1);
        QCOMPARE(low[0].criterion, int(FindLowLevel));
        QCOMPARE(low[0].sample, uint64_t(20));

        // Both enabled, the first sample above the upper threshold: one match, "above".
        FindSettings both = only(FindUpLevel, 1);
        both.enabled[FindLowLevel] = true;
        both.threshold[FindLowLevel] = -1;
        kit.at(0, 0) = 100;
        const auto m = searchBlock(kit.build(), both, s);
        QCOMPARE(int(m.size()), 1);
        QCOMPARE(m[0].criterion, int(FindUpLevel));
        QCOMPARE(m[0].sample, uint64_t(0));
    }

    void crossingKernelAtEveryOffset()
    {
        // The vector groups and the scalar tail must agree wherever the crossing lies.
        for (long n : {1L, 3L, 4L, 5L, 9L, 17L}) {
            for (long at = 0; at < n; ++at) {
                std::vector<double> s(size_t(n), 0.5);
                s[size_t(at)] = -3;
                if (at + 1 < n)
                    s[size_t(at) + 1] = 3;
                bool isUp = true;
                QCOMPARE(firstLevelCrossing(s.data(), n, 1.0, 2.0, -2.0, isUp), at);
                QVERIFY(!isUp);
                QCOMPARE(firstLevelCrossing(s.data(), n, 1.0, 2.0, -HUGE_VAL, isUp),
                         at + 1 < n ? at + 1 : -1L);
            }
        }
        const double nan[] = {std::nan(""), std::nan(""), std::nan(""), std::nan(""), std::nan("")};
        bool isUp = false;
        QCOMPARE(firstLevelCrossing(nan, 5, 1.0, 0.0, 0.0, isUp), -1L);
    }

    void spectralCriteriaOrderAndEquality()
    {
        BlockKit kit({1, 2}, 16);
        ChannelRecord &r = kit.records[0];
        r.fundamentalFrequency = 12000; // 12 kHz
        r.snr = 70;
        r.thd = -80;
        r.sfdr = 85;
        r.sinad = 65;
        kit.records[1] = r;
        kit.records[1].channelNumber = 2;
        const SearchScope s = scopeOf({2, 1}, 16);
        const BlockSnapshot b = kit.build();

        // Equal never matches.
        QVERIFY(searchBlock(b, only(FindUpSnr, 70), s).empty());
        QVERIFY(searchBlock(b, only(FindLowSnr, 70), s).empty());
        QVERIFY(searchBlock(b, only(FindUpFreq, 12), s).empty());
        QCOMPARE(int(searchBlock(b, only(FindUpFreq, 11.999), s).size()), 2);

        // UpFreq and UpSnr both met: only the frequency, per channel, in the scope's order.
        FindSettings f = only(FindUpFreq, 10);
        f.enabled[FindUpSnr] = true;
        f.threshold[FindUpSnr] = 60;
        auto m = searchBlock(b, f, s);
        QCOMPARE(int(m.size()), 2);
        QCOMPARE(m[0].channel, 2);
        QCOMPARE(m[1].channel, 1);
        QCOMPARE(m[0].criterion, int(FindUpFreq));
        QCOMPARE(m[0].value, 12.0);
        // SNR is tested before THD.
        f = only(FindUpThd, -90);
        f.enabled[FindLowSnr] = true;
        f.threshold[FindLowSnr] = 80;
        m = searchBlock(b, f, scopeOf({1}, 16));
        QCOMPARE(int(m.size()), 1);
        QCOMPARE(m[0].criterion, int(FindLowSnr));
        // THD+N is THD+N: the SINAD figure.
        QCOMPARE(int(searchBlock(b, only(FindLowThdn, 65.5), scopeOf({1}, 16)).size()), 1);

        // A level match and a spectral one for the same channel, level first.
        kit.at(0, 3) = 10;
        f = only(FindUpLevel, 5);
        f.enabled[FindUpSfdr] = true;
        f.threshold[FindUpSfdr] = 80;
        m = searchBlock(kit.build(), f, scopeOf({1}, 16));
        QCOMPARE(int(m.size()), 2);
        QCOMPARE(m[0].criterion, int(FindUpLevel));
        QCOMPARE(m[1].criterion, int(FindUpSfdr));

        // Without a spectrum, or for a hidden channel, there are no figures to test.
        BlockSnapshot bare = kit.build();
        bare.spectra.reset();
        QVERIFY(searchBlock(bare, only(FindUpSfdr, 80), scopeOf({1}, 16)).empty());
        kit.records[0].shown = false;
        QVERIFY(searchBlock(kit.build(), only(FindUpSfdr, 80), scopeOf({1}, 16)).empty());
        // A channel the block does not hold is skipped.
        QVERIFY(searchBlock(b, only(FindUpSfdr, 80), scopeOf({9}, 16)).empty());
    }

    void signalLevelsCompareInMillivoltsRms_data()
    {
        QTest::addColumn<int>("criterion");
        QTest::addColumn<int>("unit");
        QTest::addColumn<double>("threshold");
        QTest::addColumn<bool>("matches");
        // The signal is 1 V RMS, its fundamental 0.5 V RMS; R = 50 Ω.
        QTest::newRow("dB below 0") << int(FindUpPower) << int(LevelDb) << -0.01 << true;
        QTest::newRow("dB above 0") << int(FindUpPower) << int(LevelDb) << 0.01 << false;
        QTest::newRow("dBm 13") << int(FindUpPower) << int(LevelDbm) << 13.0 << true;
        QTest::newRow("dBm 13.02") << int(FindUpPower) << int(LevelDbm) << 13.02 << false;
        QTest::newRow("dBuV 119.99") << int(FindUpPower) << int(LevelDbuV) << 119.99 << true;
        QTest::newRow("dBuV 120.01") << int(FindUpPower) << int(LevelDbuV) << 120.01 << false;
        QTest::newRow("peak 1.41") << int(FindUpPower) << int(LevelVoltsPeak) << 1.41 << true;
        QTest::newRow("peak 1.42") << int(FindUpPower) << int(LevelVoltsPeak) << 1.42 << false;
        QTest::newRow("rms equal") << int(FindUpPower) << int(LevelVoltsRms) << 1.0 << false;
        QTest::newRow("rms below") << int(FindLowPower) << int(LevelVoltsRms) << 1.001 << true;
        QTest::newRow("harm above") << int(FindUpPowerHarm) << int(LevelVoltsRms) << 0.499 << true;
        QTest::newRow("harm -6 dB") << int(FindLowPowerHarm) << int(LevelDb) << -6.0 << true;
        QTest::newRow("harm -6.1 dB") << int(FindLowPowerHarm) << int(LevelDb) << -6.1 << false;
    }
    void signalLevelsCompareInMillivoltsRms()
    {
        QFETCH(int, criterion);
        QFETCH(int, unit);
        QFETCH(double, threshold);
        QFETCH(bool, matches);
        BlockKit kit({0}, 8);
        kit.records[0].totalRms = 1.0;
        kit.records[0].fundamentalRms = 0.5;
        const auto m = searchBlock(kit.build(), only(criterion, threshold, unit), scopeOf({0}, 8));
        QCOMPARE(!m.empty(), matches);
        if (matches)
            QVERIFY(std::abs(m[0].value - (criterion >= FindUpPowerHarm ? 500.0 : 1000.0)) < 1e-9);
    }

    void reportText()
    {
        std::vector<SearchMatch> m = {{1, FindUpLevel, 0, 0, 0}, {3, FindUpLevel, 0, 0, 0},
                                      {3, FindLowSnr, 0, 0, 0}};
        QCOMPARE(searchReport(m), QString("В канале 1 уровень выше порога.\n"
                                          "В канале 3 уровень выше порога.\n"
                                          "В канале 3 SNR ниже порога."));
        const char *reasons[] = {"уровень выше порога.", "уровень ниже порога.",
                                 "частота выше порога.", "частота ниже порога.",
                                 "мощность сигнала выше порога.", "мощность сигнала ниже порога.",
                                 "мощность основной гармоники выше порога.",
                                 "мощность основной гармоники ниже порога.", "SFDR выше порога.",
                                 "SFDR ниже порога.", "THD+N выше порога.", "THD+N ниже порога.",
                                 "THD выше порога.", "THD ниже порога.", "SNR выше порога.",
                                 "SNR ниже порога."};
        for (int i = 0; i < FindCriterionCount; ++i)
            QCOMPARE(searchReport({{12, i, 0, 0, 0}}), "В канале 12 " + QString::fromUtf8(reasons[i]));
        QCOMPARE(searchReport({}), QString());
    }

    void toolFindsTheSpikeBlock()
    {
        QTemporaryDir dir;
        const QString rec = dir.filePath("spike.bin");
        // The spike in block 5 of 1024 samples; samples beyond 4 M pass through several buffers.
        QVERIFY(writeBytes(rec, spikeRecord(5 * 1024 * 1024 + 300, 5 * 1024 + 700)));
        Run r = tool({"search", rec, "--up-level", "2", "--json"});
        QCOMPARE(r.exitCode, 0);
        QJsonObject o = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(o["position"].toDouble(), 5120.0);
        QCOMPARE(o["block"].toDouble(), 5.0);
        const QJsonObject m = o["matches"].toArray().at(0).toObject();
        QCOMPARE(m["channel"].toInt(), 7);
        QCOMPARE(m["criterion"].toString(), QString("UpLevel"));
        QCOMPARE(m["value"].toDouble(), 2.5);
        QCOMPARE(m["threshold"].toDouble(), 2.0);
        QCOMPARE(m["sample"].toDouble(), 5120.0 + 700);
        QCOMPARE(o["matches"].toArray().size(), 1);

        // Equal to the value: no block matches.
        r = tool({"search", rec, "--up-level", "2.5"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.out.contains("no block matched"));
        // Only channel 3 searched: nothing.
        QCOMPARE(tool({"search", rec, "--up-level", "2", "--channels", "3"}).exitCode, 1);

        // The same block when spectral criteria make it read block by block, as the window
        // does, and with the criteria taken from a configuration.
        ScratchIni ini;
        FindSettings f = only(FindUpLevel, 2);
        f.enabled[FindLowSnr] = true;
        f.threshold[FindLowSnr] = -300; // never met
        f.currentChannel = false;
        f.channels = {7};
        f.save(ini.path());
        r = tool({"search", rec, "--config", ini.path(), "--width", "2048"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains("block at sample 4096 (block 2 of 2048 samples)"), r.out);
        QVERIFY(r.out.contains("channel 7 UpLevel: value 2.5 V, threshold 2 V, at sample 5820"));
    }

    void toolReportsBadInput()
    {
        QTemporaryDir dir;
        const QString rec = dir.filePath("r.bin");
        QVERIFY(writeBytes(rec, spikeRecord(4096, 10)));
        const struct {
            QStringList args;
            const char *message;
        } cases[] = {
            {{"search", rec}, "no criterion is set"},
            {{"search", rec, "--up-level", "abc"}, "--up-level must be a number from -1000 to 1000"},
            {{"search", rec, "--up-power", "3:dBW"}, "--up-power: the unit must be one of dB, dBm"},
            {{"search", rec, "--up-snr", "400"}, "--up-snr must be a number from -300 to 300"},
            {{"search", rec, "--up-snr", "4", "--fft", "1000"}, "--fft must be a power of two"},
            {{"search", rec, "--up-snr", "4", "--channels", "1,x"}, "--channels must list"},
            {{"search", rec, "--up-snr", "4", "--config", dir.filePath("none.ini")}, "no such configuration file"},
            {{"search", dir.filePath("none.bin"), "--up-snr", "4"}, "no such record file"},
        };
        for (const auto &c : cases) {
            const Run r = tool(c.args);
            QCOMPARE(r.exitCode, 2);
            QVERIFY2(r.err.contains(c.message), r.err.constData());
        }
        // A record without a postfix cannot be searched.
        QVERIFY(writeBytes(rec, QByteArray(4096, '\0')));
        const Run r = tool({"search", rec, "--up-level", "1"});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains("no postfix"), r.err.constData());
    }

    // A capture that carries no rate is searched with --rate (and --bits), as analyze reads it.
    void toolSearchesCaptureWithRateAndBits()
    {
        QTemporaryDir dir;
        const QString csv = dir.filePath("cap.csv");
        QByteArray text;
        for (int j = 0; j < 8192; ++j) {
            const int sine = int(std::lround(4800 * std::sin(2 * M_PI * 50123.0 * j / 1e6)));
            text += QByteArray::number(sine) + ',' + QByteArray::number(j == 5 * 1024 + 700 ? 16384 : sine) + '\n';
        }
        QVERIFY(writeBytes(csv, text));
        // 16384 of 2^15 codes at 1 V is 0.5 V; the sine stays below 0.15 V.
        Run r = tool({"search", csv, "--up-level", "0.3", "--rate", "1e6", "--bits", "16", "--json"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QJsonDocument::fromJson(r.out).object()["position"].toDouble(), 5120.0);
        const struct {
            QStringList extra;
            const char *message;
        } refused[] = {{{}, "cap.csv: "}, {{"--rate", "abc"}, "--rate"}, {{"--rate", "1e6", "--bits", "40"}, "--bits"}};
        for (const auto &c : refused) {
            r = tool(QStringList{"search", csv, "--up-level", "0.3"} + c.extra);
            QCOMPARE(r.exitCode, 2);
            QVERIFY2(r.err.contains(c.message), r.err.constData());
        }
    }

    void toolSignalLevelWithUnit()
    {
        QTemporaryDir dir;
        const QString rec = dir.filePath("r.bin");
        QVERIFY(writeBytes(rec, spikeRecord(8192, 100000)));
        // A 300-code sine over 2048 codes per 5 V (the engine's full scale is 2047 codes):
        // about 0.518 V RMS, -5.7 dB.
        Run r = tool({"search", rec, "--up-power", "-6:dB", "--json"});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject m = QJsonDocument::fromJson(r.out).object()["matches"].toArray().at(0).toObject();
        QCOMPARE(m["criterion"].toString(), QString("UpPower"));
        QVERIFY(std::abs(m["threshold"].toDouble() - 1000 * std::pow(10, -6 / 20.0)) < 1e-9);
        QVERIFY(std::abs(m["value"].toDouble() - 300 / std::sqrt(2.0) / 2047 * 5000) < 5);
        QCOMPARE(tool({"search", rec, "--up-power", "-5:dB"}).exitCode, 1);
        QCOMPARE(tool({"search", rec, "--up-power", "0.5:В(эфф)"}).exitCode, 0);
    }
};

QTEST_GUILESS_MAIN(ChannelSearchTest)
#include "test_channel_search.moc"
