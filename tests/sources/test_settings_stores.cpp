// The settings stores against a real configuration file: what a fresh file gives, how every
// store round-trips under its keys, the stored formats other programs read, and how damaged or
// absurd stored values are brought back into range.
#include "sources/settings/AnalyserSettings.h"
#include "sources/record/FileParamsSettings.h"
#include "sources/settings/FilterSettings.h"
#include "sources/settings/IqViewSettings.h"
#include "sources/settings/MeasurementSettings.h"
#include "sources/settings/NetworkSettings.h"
#include "sources/settings/OtherSettings.h"
#include "sources/settings/PaletteSettings.h"
#include "sources/settings/PhaseMisSettings.h"
#include "sources/generator/SimulationSettings.h"
#include "sources/search/ChannelSearch.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/ScratchIni.h"

#include <functional>

namespace {

using Ini = ScratchIni;

template <typename Store> Store loaded(const QString &path)
{
    Store store;
    store.load(path);
    return store;
}

template <typename Store> Store roundTrip(const Store &store)
{
    Ini ini;
    store.save(ini.path());
    return loaded<Store>(ini.path());
}

// One stored value and what the store must make of it.
struct StoredCase {
    const char *key;
    QVariant stored;
    QVariant expected;
    const char *rule;
    std::function<QVariant(const QString &path)> read;
};

QVariant rgb(QRgb color) { return QVariant(uint(color)); }

void verifyStoredCases(const std::vector<StoredCase> &cases)
{
    for (const StoredCase &c : cases) {
        Ini ini;
        ini.set(c.key, c.stored);
        const QVariant got = c.read(ini.path());
        const QString what = QStringLiteral("%1=%2 must read %3 (%4), reads %5")
                                 .arg(c.key, c.stored.toString(), c.expected.toString(),
                                      QLatin1String(c.rule), got.toString());
        QVERIFY2(got == c.expected, qPrintable(what));
    }
}

template <typename Store, typename Value> auto reading(Value value)
{
    return [value](const QString &path) { return QVariant(value(loaded<Store>(path))); };
}

} // namespace

class SettingsStoresTest : public QObject {
    Q_OBJECT
private slots:
    void aMissingFileGivesTheDefaults()
    {
        const QString none = QDir::temp().filePath("no-such-dir/ORMA.ini");
        QVERIFY(loaded<AnalyserSettings>(none) == AnalyserSettings());
        QVERIFY(loaded<OtherSettings>(none) == OtherSettings());
        QVERIFY(loaded<PaletteSettings>(none) == PaletteSettings::orma());
        QVERIFY(loaded<FileParamsSettings>(none) == FileParamsSettings());
        QVERIFY(loaded<NetworkSettings>(none) == NetworkSettings());
        QVERIFY(!QFile::exists(none));

        // The published defaults of a fresh configuration.
        const AnalyserSettings a;
        QCOMPARE(a.fftSize, 1024u);
        QCOMPARE(a.windowType, int(WindowBlackmanHarris7));
        QCOMPARE(a.freqDimension, int(DimKilohertz));
        QCOMPARE(a.powerDimension, int(DimDecibelsRelative));
        const PaletteSettings p;
        QCOMPARE(p.channels[0], qRgb(255, 255, 0));
        QCOMPARE(p.channels[7], qRgb(0x99, 0x99, 0x99));
        QCOMPARE(p.channels[17], qRgb(0xA0, 0xA0, 0xA0));
        QCOMPARE(p.channels[63], qRgb(0xFF, 0x33, 0xCC));
        QCOMPARE(p.display, qRgb(0, 0, 0));
        QCOMPARE(p.fft, qRgb(0, 170, 0));
        QCOMPARE(p.net, qRgb(117, 117, 117));
        QCOMPARE(p.scale, qRgb(255, 255, 255));
        const NetworkSettings n;
        QCOMPARE(n.address, QStringLiteral("127.0.0.1"));
        QCOMPARE(n.port, 7777u);
        QCOMPARE(n.fileName, QStringLiteral("data_0.bin"));
    }

    void everyStoreRoundTripsItsValues()
    {
        AnalyserSettings a;
        a.timeDimension = DimSeconds;
        a.timeout = 250;
        a.amplDimension = DimMillivolts;
        a.gainIndex = 1;
        a.fftSize = 65536;
        a.averageCount = 16;
        a.windowType = WindowKaiser;
        a.sidelobeLevel = 90;
        a.freqDimension = DimHertz;
        a.spectrRange = 0;
        a.isFreqShift = false;
        a.isDb = true;
        a.lowFreqHz = 500;
        a.powerDimension = DimDbMicrovolt;
        a.impedance = 600;
        a.maxPower = 120;
        a.minPower = -20.5;
        a.isShowHarmonic = true;
        a.harmonicCount = 9;
        a.sfdrBandWidth = 2500;
        QVERIFY(roundTrip(a) == a);

        OtherSettings o;
        o.maxChannelCount = 16;
        o.isTikSamples = o.isMarkerSamples = true;
        o.isAccumInf = o.isSpectrEnable = false;
        o.accumCount = 25;
        QVERIFY(roundTrip(o) == o);

        PaletteSettings p = PaletteSettings::standard();
        p.channels[40] = qRgb(1, 2, 3);
        QVERIFY(roundTrip(p) == p);

        FileParamsSettings f;
        f.useUserParams = true;
        f.sampleRateKhz = 125000.5;
        f.bytesPerSample = 4;
        f.channelCount = 8;
        f.bitRange = 24;
        f.voltageRange = 1.001;
        f.isComplex = true;
        f.codeType = 2;
        QVERIFY(roundTrip(f) == f);

        NetworkSettings n;
        n.address = "10.1.2.3";
        n.port = 5025;
        n.fileName = QString::fromUtf8("данные_0.bin");
        QVERIFY(roundTrip(n) == n);

        SimulationSettings s;
        s.bitRange = 16;
        s.rows[7] = {true, 3, 123.0, 4567.125, 45.5, 9};
        const SimulationSettings back = roundTrip(s);
        QCOMPARE(back.bitRange, 16);
        // The row's channel number is read back and numbers the generated channel.
        QCOMPARE(back.rows[7].channelNumber, 9);
        QCOMPARE(back.channelRecord(7).channelNumber, 9);
        QCOMPARE(back.rows[5].channelNumber, 5);
        QCOMPARE(back.rows[7].frequency, 4567.125);
        QCOMPARE(back.rows[7].noiseAmplitude, 3);
    }

    // Other programs and older versions read these files: units as codes, booleans as 0 / 1,
    // colours packed, the user parameters in kHz and V, text in the Windows Cyrillic code page.
    void storedFormats()
    {
        Ini ini;
        AnalyserSettings a;
        a.timeDimension = DimSeconds;
        a.lowFreqHz = 500;
        a.isDb = true;
        a.save(ini.path());
        QCOMPARE(ini.get("OscPanel/TimeDimension").toString(), QStringLiteral("6"));
        QCOMPARE(ini.get("SpectrPanel/LowFreq").toString(), QStringLiteral("500"));
        QCOMPARE(ini.get("SpectrPanel/FreqDb").toString(), QStringLiteral("1"));
        QCOMPARE(ini.get("SpectrPanel/WindowType").toString(), QStringLiteral("2"));

        OtherSettings o;
        o.maxChannelCount = 16;
        o.isTikSamples = true;
        o.isAccumInf = false;
        o.accumCount = 25;
        o.isSpectrEnable = false;
        Ini other;
        o.save(other.path());
        const QByteArray bytes = other.bytes();
        QVERIFY(bytes.startsWith("[General]"));
        for (const char *line : {"MaxChannel=16", "ShowTikSamples=1", "ShowMarkerSamples=0", "AccumInf=0",
                                 "AccumCount=25", "SpectrEnable=0"})
            QVERIFY2(bytes.contains(line), line);

        // red x 65536 + green x 256 + blue, without the alpha of QRgb.
        PaletteSettings::standard().save(ini.path());
        QStringList packed;
        for (const char *key : {"ChanColor0", "ChanColor4", "ChanColor8", "ChanColor63", "DysplayColor",
                                "FftColor", "NetColor", "ScaleColor"})
            packed << ini.get(QStringLiteral("Pallete/") + key).toString();
        QCOMPARE(packed, (QStringList{"0", "16776960", "13382604", "16724940", "16777215", "16776960",
                                      "7697781", "65280"}));

        FileParamsSettings f;
        f.sampleRateKhz = 125000.5;
        f.voltageRange = 1.001;
        f.save(ini.path());
        QCOMPARE(ini.get("FileParams/UserSampleRate").toString(), QStringLiteral("125000.5"));
        QCOMPARE(ini.get("FileParams/UserVoltageRange").toString(), QStringLiteral("1.001"));
        QCOMPARE(ini.get("FileParams/UserFileParams").toString(), QStringLiteral("0"));

        NetworkSettings n;
        n.port = 5025;
        n.fileName = QString::fromUtf8("данные_0.bin");
        n.save(ini.path());
        QVERIFY(ini.bytes().contains("[Network]"));
        QVERIFY(ini.bytes().contains("Port=5025"));
        // д а н н ы е, one byte each.
        QVERIFY2(ini.bytes().contains("FileName=\xE4\xE0\xED\xED\xFB\xE5_0.bin"), ini.bytes().constData());
    }

    // A store writes its own keys only: the rest of a hand-kept file, Cyrillic text included,
    // stays as it was.
    void savingLeavesForeignKeysAlone()
    {
        Ini ini;
        ini.write("[SpectrPanel]\nHarmonic=\xC3\xE0\xF0\xEC\xEE\xED\xE8\xEA\xE0\nDimension=dB\n");
        AnalyserSettings().save(ini.path());
        OtherSettings().save(ini.path());
        QCOMPARE(ini.get("SpectrPanel/Harmonic").toString(), QString::fromUtf8("Гармоника"));
        QVERIFY(ini.bytes().contains("Harmonic=\xC3\xE0\xF0\xEC\xEE\xED\xE8\xEA\xE0"));
        QCOMPARE(ini.get("SpectrPanel/Dimension").toString(), QStringLiteral("dB"));
        QCOMPARE(loaded<AnalyserSettings>(ini.path()), AnalyserSettings());
    }

    void damagedOrAbsurdValuesAreBroughtIntoRange()
    {
        const auto analyser = [](auto field) {
            return [field](const QString &p) { return QVariant(loaded<AnalyserSettings>(p).*field); };
        };
        const auto other = [](auto field) {
            return [field](const QString &p) { return QVariant(loaded<OtherSettings>(p).*field); };
        };
        const auto params = [](auto field) {
            return [field](const QString &p) { return QVariant(loaded<FileParamsSettings>(p).*field); };
        };
        const auto network = [](auto field) {
            return [field](const QString &p) { return QVariant(loaded<NetworkSettings>(p).*field); };
        };
        const auto simulation = [](auto field) {
            return [field](const QString &p) { return QVariant(loaded<SimulationSettings>(p).*field); };
        };
        const auto sampleCount = [](const QString &p) {
            return QVariant(qulonglong(loaded<SimulationSettings>(p).sampleCount));
        };
        const auto row = [](int r, auto field) {
            return [r, field](const QString &p) { return QVariant(loaded<SimulationSettings>(p).rows[r].*field); };
        };
        const auto colour = [](int channel) {
            return [channel](const QString &p) {
                const PaletteSettings s = loaded<PaletteSettings>(p);
                return rgb(channel < 0 ? s.display : s.channels[size_t(channel)]);
            };
        };
        using A = AnalyserSettings;
        using F = FileParamsSettings;
        using S = SimulationSettings;
        verifyStoredCases({
            {"OscPanel/TimeDimension", 99, int(DimSamples), "no such unit: the default", analyser(&A::timeDimension)},
            {"OscPanel/Timeout", 100000, 1000, "1..1000 ms", analyser(&A::timeout)},
            {"OscPanel/IsGain", -3, 0, "0..1", analyser(&A::gainIndex)},
            {"SpectrPanel/FftSize", "x", 1024u, "garbage: the default", analyser(&A::fftSize)},
            {"SpectrPanel/FftSize", 1000, 512u, "between two sizes: the lower", analyser(&A::fftSize)},
            {"SpectrPanel/FftSize", 5, 16u, "below the smallest size", analyser(&A::fftSize)},
            {"SpectrPanel/FftSize", 1e12, 8388608u, "above the largest size", analyser(&A::fftSize)},
            {"SpectrPanel/WindowType", 11, int(WindowBlackmanHarris7), "one past the last window", analyser(&A::windowType)},
            {"SpectrPanel/FreqDimension", int(DimVolts), int(DimKilohertz), "a unit of another axis", analyser(&A::freqDimension)},
            {"SpectrPanel/PowerDimension", int(DimDbfs), int(DimDbfs), "dBFS, the newest unit, loads back", analyser(&A::powerDimension)},
            {"SpectrPanel/PowerDimension", int(DimRadians), int(DimDecibelsRelative), "a unit of another axis", analyser(&A::powerDimension)},
            {"SpectrPanel/FreqShift", "maybe", true, "not a boolean: the default", analyser(&A::isFreqShift)},
            {"SpectrPanel/LowFreq", "nan", 0.0, "not a finite number", analyser(&A::lowFreqHz)},
            {"SpectrPanel/Impedance", 75, 50, "50 or 600 Ohm", analyser(&A::impedance)},
            {"SpectrPanel/MinPower", -1e9, -1000.0, "-1000..1000", analyser(&A::minPower)},
            {"SpectrPanel/HarmNum", 500, 99, "1..99 harmonics", analyser(&A::harmonicCount)},
            {"SpectrPanel/SfdrBandWidth", -1, 0, "no negative band", analyser(&A::sfdrBandWidth)},
            {"MaxChannel", 12, 16, "anything but 8 asks for 16", other(&OtherSettings::maxChannelCount)},
            {"MaxChannel", 0, 16, "anything but 8 asks for 16", other(&OtherSettings::maxChannelCount)},
            {"MaxChannel", "many", 8, "garbage: the default", other(&OtherSettings::maxChannelCount)},
            {"AccumCount", 5e9, OtherSettings::MaxAccumCount, "0..999999999", other(&OtherSettings::accumCount)},
            {"Pallete/ChanColor0", "yellowish", rgb(qRgb(255, 255, 0)), "garbage: the default", colour(0)},
            {"Pallete/ChanColor1", 16777216 * 4, rgb(qRgb(255, 255, 255)), "0..0xFFFFFF", colour(1)},
            {"Pallete/DysplayColor", -7, rgb(qRgb(0, 0, 0)), "0..0xFFFFFF", colour(-1)},
            {"FileParams/UserSampleRate", -5, 0.0, "no negative rate", params(&F::sampleRateKhz)},
            {"FileParams/UserBytesPerSamples", 3, 2, "1, 2 or 4 bytes", params(&F::bytesPerSample)},
            {"FileParams/UserChannelNumber", 0, 1, "1..1024 channels", params(&F::channelCount)},
            {"FileParams/UserBitRange", 40, 16, "no more bits than 2 bytes hold", params(&F::bitRange)},
            {"FileParams/UserVoltageRange", "high", 5.0, "garbage: the default", params(&F::voltageRange)},
            {"FileParams/ConvertCode", 9, 2, "three codes", params(&F::codeType)},
            {"Network/IP", "300.1.1.1", "127.0.0.1", "no byte above 255", network(&NetworkSettings::address)},
            {"Network/IP", "192 168 1 9", "192.168.1.9", "blanks are dots", network(&NetworkSettings::address)},
            {"Network/IP", "192.168.", "127.0.0.1", "an incomplete address", network(&NetworkSettings::address)},
            {"Network/Port", "65535", 7777u, "0..9999", network(&NetworkSettings::port)},
            {"Network/Port", "abc", 7777u, "digits only", network(&NetworkSettings::port)},
            {"Simulation/BitRange", 300, 32, "1..32 bits, never cut to 8", simulation(&S::bitRange)},
            {"Simulation/BitRange", 0, 1, "1..32 bits", simulation(&S::bitRange)},
            {"Simulation/NumberOfSamples", -5, 0ull, "no negative count", sampleCount},
            {"Simulation/NumberOfSamples", 1e15, qulonglong(S::MaxSampleCount), "12 digits", sampleCount},
            {"Simulation/SampleRate", 1e12, S::MaxSampleRate, "up to 1 GHz", simulation(&S::sampleRate)},
            {"Simulation/VoltageRange", 50000, S::MaxVoltageRangeMv, "up to 9.999 V", simulation(&S::voltageRangeMv)},
            {"Simulation/IsWhiteNoise3", 1000, S::MaxNoise, "0..255 codes", row(3, &SimulationRow::noiseAmplitude)},
            {"Simulation/Phase2", -10, 0.0, "0..999.999 degrees", row(2, &SimulationRow::phase)},
            {"Simulation/ChanNum4", -3, 0, "no negative channel number", row(4, &SimulationRow::channelNumber)},
        });
    }

    // The stores of the dialogs, every field away from its default.
    void dialogStoresRoundTripEveryField()
    {
        FilterSettings f;
        f.params = {1, 3, 0, 4, 57, 6.5f, 1.25f, 2.5f, 4, 9, 3.75f, 8.5f, 0.125f, 65.0f, 0};
        f.params.filterId = filterIdOf(f.params);
        QVERIFY(roundTrip(f).params == f.params);
        QVERIFY(roundTrip(AmplPhaseSettings{1, 1}) == (AmplPhaseSettings{1, 1}));
        QVERIFY(roundTrip(VectorDiagramSettings{1, 1}) == (VectorDiagramSettings{1, 1}));
        // Millivolts force decimal marks: the unit is checked with the clamps below.
        const AdcDistribSettings a{AdcDistribSettings::Bin, false, 2, true, true, true};
        QCOMPARE(roundTrip(a), a);
        const DevParamsSettings d{{80.5, 70.25, -90, -85.5, 11.75}, 2};
        QVERIFY(roundTrip(d) == d);
        const PhaseMisSettings p{DimSamples, DimRadians, true, {true, false, true}, {false, true, true},
                                 {-1.5, 2.25, 3}, {4, -5.5, 6.125}};
        QCOMPARE(roundTrip(p), p);

        FindSettings s;
        for (int i = 0; i < FindCriterionCount; ++i) {
            s.enabled[size_t(i)] = i % 3 != 0;
            s.threshold[size_t(i)] = 1.5 * (i + 1);
        }
        s.levelUnits = {LevelDbm, LevelDbuV, LevelVoltsPeak, LevelVoltsRms};
        s.autoOpen = s.currentChannel = false;
        s.channels = {3, 1};
        const FindSettings back = roundTrip(s);
        QVERIFY(back.enabled == s.enabled && back.threshold == s.threshold && back.levelUnits == s.levelUnits);
        QVERIFY(!back.autoOpen && !back.currentChannel);
        QCOMPARE(back.channels, s.channels);
    }

    void dialogStoresBringValuesIntoRange()
    {
        using A = AdcDistribSettings;
        const auto filter = [](auto field) { return reading<FilterSettings>([field](const FilterSettings &s) { return s.params.*field; }); };
        const auto firLength = filter(&FilterParams::firLength);
        const auto adc = [](auto field) { return reading<A>([field](const A &s) { return s.*field; }); };
        const auto phase = [](auto field) { return reading<PhaseMisSettings>([field](const PhaseMisSettings &s) { return s.*field; }); };
        verifyStoredCases({
            {"Filtration/FirLength", 200, 201, "an odd number of taps", firLength},
            {"Filtration/FirLength", -9, 1, "no negative length", firLength},
            {"Filtration/FirFilter", 2, 1, "two FIR designs", reading<FilterSettings>([](const FilterSettings &s) { return int(s.params.firFilter); })},
            {"Filtration/IirPulse", 1e9, 300.0f, "ripple up to 300 dB", filter(&FilterParams::iirPulse)},
            {"AmplPhase/TypeData", 2, 0, "two choices", reading<AmplPhaseSettings>([](const AmplPhaseSettings &s) { return s.dataType; })},
            {"VectorDiagram/Grade", -1, 0, "two choices", reading<VectorDiagramSettings>([](const VectorDiagramSettings &s) { return s.grade; })},
            {"AdcDistrib/XDim", 1, true, "millivolts", adc(&A::isMillivolts)},
            {"AdcDistrib/XDim", 2, false, "a choice, not a boolean", adc(&A::isMillivolts)},
            {"AdcDistrib/YDim", 5, 0, "five scales: counts, of the largest, of the total, DNL and INL per code", adc(&A::yDim)},
            {"DevParams/SnrCriterion", -1e9, -1e6, "within a million dB", reading<DevParamsSettings>([](const DevParamsSettings &s) { return s.criteria[FigureSnr]; })},
            {"DevParams/SelectionMode", 3, 0, "three modes", reading<DevParamsSettings>([](const DevParamsSettings &s) { return s.selectionMode; })},
            {"PhaseMis/PeriodDimension", int(DimDegrees), int(DimMilliseconds), "not a period unit", phase(&PhaseMisSettings::periodDimension)},
            {"PhaseMis/FindHiVal3", "inf", 0.0, "not a finite number", reading<PhaseMisSettings>([](const PhaseMisSettings &s) { return s.findHiVal[1]; })},
            {"Find/UpLevel", 5000, 1000.0, "within 1000 V", reading<FindSettings>([](const FindSettings &s) { return s.threshold[FindUpLevel]; })},
        });
    }

    // A bit range beyond 8 bits once reached the generator's descriptor cut to its low byte.
    void generatorTakesTheClampedBitRange()
    {
        Ini ini;
        ini.set("Simulation/BitRange", 300);
        QCOMPARE(int(loaded<SimulationSettings>(ini.path()).fileParams().bitRange), 32);
    }

    void complexUserRecordNeedsAPairOfChannels()
    {
        Ini ini;
        ini.set("FileParams/UserIsComplex", 1);
        ini.set("FileParams/UserChannelNumber", 1);
        QVERIFY2(!loaded<FileParamsSettings>(ini.path()).isComplex,
                 "FileParams/UserIsComplex=1 with one channel must read as real");
        ini.set("FileParams/UserChannelNumber", 2);
        QVERIFY(loaded<FileParamsSettings>(ini.path()).isComplex);
    }

    void userParametersInWholeHertzAndMillivolts()
    {
        FileParamsSettings f;
        f.sampleRateKhz = 125000.5;
        f.voltageRange = 1.001; // 1000.99999... mV in binary
        f.channelCount = 8;
        const FileParams p = f.fileParams();
        QCOMPARE(p.sampleRate, 125000500.0);
        QCOMPARE(p.voltageRangeMv, 1001);
        QCOMPARE(p.channelCount, 8u);
        QVERIFY(p.channelNumbers.empty() && p.gains.empty());
    }

    void listedFftSizes_data()
    {
        QTest::addColumn<double>("n");
        QTest::addColumn<uint>("listed");
        QTest::newRow("exact") << 4096.0 << 4096u;
        QTest::newRow("one below") << 4095.0 << 2048u;
        QTest::newRow("zero") << 0.0 << 16u;
        QTest::newRow("2^32") << 4294967296.0 << 8388608u;
    }
    void listedFftSizes()
    {
        QFETCH(double, n);
        QFETCH(uint, listed);
        QCOMPARE(AnalyserSettings::listedFftSize(n), listed);
    }
};

QTEST_MAIN(SettingsStoresTest)
#include "test_settings_stores.moc"
