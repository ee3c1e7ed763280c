#include "sources/search/ChannelSearch.h"

#include "sources/settings/SettingsFields.h"

#include <algorithm>
#include <cmath>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
// Sample levels reach well below zero on a bipolar converter: the range is symmetric.
constexpr double kLevelLimit = 1000.0;
constexpr double kFreqLimit = 1e9;
constexpr double kDbLimit = 300.0;

const FindCriterionInfo kCriteria[FindCriterionCount] = {
    {"UpLevel", "уровень выше порога.", "V", -kLevelLimit, kLevelLimit, false},
    {"LowLevel", "уровень ниже порога.", "V", -kLevelLimit, kLevelLimit, false},
    {"UpFreq", "частота выше порога.", "kHz", 0, kFreqLimit, false},
    {"LowFreq", "частота ниже порога.", "kHz", 0, kFreqLimit, false},
    {"UpPower", "мощность сигнала выше порога.", "mV RMS", -LevelThresholdLimit, LevelThresholdLimit, true},
    {"LowPower", "мощность сигнала ниже порога.", "mV RMS", -LevelThresholdLimit, LevelThresholdLimit, true},
    {"UpPowerHarm", "мощность основной гармоники выше порога.", "mV RMS", -LevelThresholdLimit, LevelThresholdLimit, true},
    {"LowPowerHarm", "мощность основной гармоники ниже порога.", "mV RMS", -LevelThresholdLimit, LevelThresholdLimit, true},
    {"UpSfdr", "SFDR выше порога.", "dB", -kDbLimit, kDbLimit, false},
    {"LowSfdr", "SFDR ниже порога.", "dB", -kDbLimit, kDbLimit, false},
    {"UpThdn", "THD+N выше порога.", "dB", -kDbLimit, kDbLimit, false},
    {"LowThdn", "THD+N ниже порога.", "dB", -kDbLimit, kDbLimit, false},
    {"UpThd", "THD выше порога.", "dB", -kDbLimit, kDbLimit, false},
    {"LowThd", "THD ниже порога.", "dB", -kDbLimit, kDbLimit, false},
    {"UpSnr", "SNR выше порога.", "dB", -kDbLimit, kDbLimit, false},
    {"LowSnr", "SNR ниже порога.", "dB", -kDbLimit, kDbLimit, false},
};

// The figure a spectral criterion compares, in its unit.
double measuredValue(int criterion, const ChannelRecord &r)
{
    switch (criterion) {
    case FindUpFreq: case FindLowFreq: return r.fundamentalFrequency / 1000.0;
    case FindUpPower: case FindLowPower: return r.totalRms * 1000.0;
    case FindUpPowerHarm: case FindLowPowerHarm: return r.fundamentalRms * 1000.0;
    case FindUpSfdr: case FindLowSfdr: return r.sfdr;
    case FindUpThdn: case FindLowThdn: return r.sinad;
    case FindUpThd: case FindLowThd: return r.thd;
    default: return r.snr;
    }
}

// The spectral criteria in the order they are tested: SNR before THD.
const int kSpectralOrder[] = {FindUpFreq, FindLowFreq, FindUpPower, FindLowPower,
                              FindUpPowerHarm, FindLowPowerHarm, FindUpSfdr, FindLowSfdr,
                              FindUpThdn, FindLowThdn, FindUpSnr, FindLowSnr, FindUpThd,
                              FindLowThd};

bool isAbove(int criterion) { return criterion % 2 == 0; }

} // namespace

const QStringList &levelUnitTexts()
{
    static const QStringList texts = {QStringLiteral("dB"), QStringLiteral("dBm"),
                                      QStringLiteral("dBuV"), QStringLiteral("В(ампл)"),
                                      QStringLiteral("В(эфф)")};
    return texts;
}

int levelUnitOf(const QString &sText) { return levelUnitTexts().indexOf(sText); }

double levelToRmsVolts(double t, int unit, double ohms)
{
    switch (unit) {
    case LevelDb: return std::pow(10.0, t / 20.0);
    case LevelDbm: return std::sqrt(std::pow(10.0, t / 10.0) * 0.001 * ohms);
    case LevelDbuV: return std::pow(10.0, t / 20.0) / 1e6;
    case LevelVoltsPeak: return t / std::sqrt(2.0);
    default: return t;
    }
}

double rmsVoltsToLevel(double x, int unit, double ohms, double limit)
{
    double t;
    switch (unit) {
    case LevelDb: t = x > 0 ? 20.0 * std::log10(x) : -limit; break;
    case LevelDbm: t = x > 0 && ohms > 0 ? 10.0 * std::log10(x * x / ohms / 0.001) : -limit; break;
    case LevelDbuV: t = x > 0 ? 20.0 * std::log10(x * 1e6) : -limit; break;
    case LevelVoltsPeak: t = x * std::sqrt(2.0); break;
    default: t = x; break;
    }
    return std::isnan(t) ? -limit : std::clamp(t, -limit, limit);
}

const FindCriterionInfo &findCriterionInfo(int criterion)
{
    return kCriteria[std::clamp(criterion, 0, FindCriterionCount - 1)];
}

bool FindSettings::anyEnabled() const
{
    return std::find(enabled.begin(), enabled.end(), true) != enabled.end();
}

bool FindSettings::levelOnly() const
{
    return std::find(enabled.begin() + FindUpFreq, enabled.end(), true) == enabled.end();
}

QList<int> FindSettings::selectedChannels(const QList<int> &available) const
{
    QList<int> selected;
    for (int channel : channels)
        if (available.contains(channel) && !selected.contains(channel))
            selected << channel;
    return selected.isEmpty() ? available : selected;
}

namespace {

const auto kFindFields = [] {
    using S = FindSettings;
    SettingsFields<S> f;
    for (int i = 0; i < FindCriterionCount; ++i) {
        const FindCriterionInfo &info = kCriteria[i];
        const QString key = QStringLiteral("Find/") + QLatin1String(info.key);
        f.flag(key + QStringLiteral("Enable"), element(&S::enabled, i))
            .number(key, element(&S::threshold, i), info.min, info.max);
        if (info.isLevelUnit)
            f.add(key + QStringLiteral("Dim"), element(&S::levelUnits, i - FindUpPower),
                  [](const IniFile &ini, const QString &k, int fallback) {
                      const int unit = levelUnitOf(ini.readText(k, QString()));
                      return unit < 0 ? fallback : unit;
                  },
                  [](int unit) { return QVariant(levelUnitTexts().at(unit)); });
    }
    return f.flag("Find/AutoOpen", &S::autoOpen).flag("Find/IsCurrentChan", &S::currentChannel);
}();

QString findChannelKey(int i) { return QStringLiteral("Find/FindChan%1").arg(i); }

} // namespace

void FindSettings::load(const QString &iniPath)
{
    const IniFile ini(iniPath);
    kFindFields.load(ini, *this);
    channels.clear();
    // The list ends at -1; a file without the end marker stops at the first missing key.
    for (int i = 0;; ++i) {
        const int channel = ini.readInt(findChannelKey(i), -1);
        if (channel < 0)
            break;
        channels << channel;
    }
}

void FindSettings::save(const QString &iniPath) const
{
    IniFile ini(iniPath);
    kFindFields.save(ini, *this);
    for (int i = 0; i < channels.size(); ++i)
        ini.write(findChannelKey(i), channels.at(i));
    ini.write(findChannelKey(channels.size()), -1);
}

double recordVoltsPerCode(const FileParams &params)
{
    // The amplitude axis: 2^(bits-1) codes span the range in millivolts.
    if (params.bitRange < 1 || params.bitRange > 32)
        return 0.0;
    return double(params.voltageRangeMv) / std::ldexp(1.0, params.bitRange - 1) / 1000.0;
}

long firstLevelCrossing(const double *s, long n, double voltsPerCode, double up, double low,
                        bool &isUp)
{
    long j = 0;
#ifdef __SSE2__
    // Four samples per test; only a group that holds a crossing is looked at one by one.
    const __m128d k = _mm_set1_pd(voltsPerCode), hi = _mm_set1_pd(up), lo = _mm_set1_pd(low);
    for (; j + 4 <= n; j += 4) {
        const __m128d a = _mm_mul_pd(_mm_loadu_pd(s + j), k);
        const __m128d b = _mm_mul_pd(_mm_loadu_pd(s + j + 2), k);
        const __m128d hit = _mm_or_pd(_mm_or_pd(_mm_cmpgt_pd(a, hi), _mm_cmplt_pd(a, lo)),
                                      _mm_or_pd(_mm_cmpgt_pd(b, hi), _mm_cmplt_pd(b, lo)));
        if (_mm_movemask_pd(hit))
            break;
    }
#endif
    for (; j < n; ++j) {
        const double v = s[j] * voltsPerCode;
        if (v > up) {
            isUp = true;
            return j;
        }
        if (v < low) {
            isUp = false;
            return j;
        }
    }
    return -1;
}

std::vector<SearchMatch> searchBlock(const BlockSnapshot &block, const FindSettings &settings,
                                     const SearchScope &scope)
{
    std::vector<SearchMatch> matches;
    const bool up = settings.enabled[FindUpLevel], low = settings.enabled[FindLowLevel];
    const double upT = settings.threshold[FindUpLevel], lowT = settings.threshold[FindLowLevel];
    // The samples the oscilloscope shows: from the display position, at most the shown width,
    // never past what the buffer holds.
    const uint64_t position = scope.shownStart == SearchScope::NoShownStart ? block.window.position
                                                                            : scope.shownStart;
    const uint64_t offset = position >= block.window.windowStart ? position - block.window.windowStart : 0;
    const uint64_t first = std::min(offset, block.sampleLength);
    const uint64_t count = std::min(scope.shownWidth, block.sampleLength - first);

    for (int channel : scope.channels) {
        const int k = block.channels.indexOf(channel);
        if (k < 0)
            continue;
        const double *samples = block.channelSamples(k);
        if ((up || low) && samples && count > 0) {
            bool isUp = false;
            const long j = firstLevelCrossing(samples + first, long(count), scope.voltsPerCode,
                                              up ? upT : kInf, low ? lowT : -kInf, isUp);
            if (j >= 0)
                matches.push_back({channel, isUp ? FindUpLevel : FindLowLevel,
                                   samples[first + uint64_t(j)] * scope.voltsPerCode,
                                   isUp ? upT : lowT, block.window.windowStart + first + uint64_t(j)});
        }
        const ChannelRecord *record = block.channelRecord(k);
        if (!record || !record->shown || !block.channelSpectrum(k))
            continue;
        for (int criterion : kSpectralOrder) {
            if (!settings.enabled[size_t(criterion)])
                continue;
            double t = settings.threshold[size_t(criterion)];
            if (kCriteria[criterion].isLevelUnit)
                t = levelToRmsVolts(t, settings.levelUnit(criterion), scope.impedance) * 1000.0;
            const double v = measuredValue(criterion, *record);
            if (isAbove(criterion) ? t < v : t > v) {
                matches.push_back({channel, criterion, v, t, position});
                break;
            }
        }
    }
    return matches;
}

QString searchReport(const std::vector<SearchMatch> &matches)
{
    QStringList lines;
    for (const SearchMatch &m : matches)
        lines << QStringLiteral("В канале %1 %2").arg(m.channel).arg(QString::fromUtf8(kCriteria[m.criterion].reason));
    return lines.join(QLatin1Char('\n'));
}
