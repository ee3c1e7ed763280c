#pragma once
// Channel search: stop at the first block in which a channel crosses a threshold. The criteria
// as the user sets them ("Find/" keys of the configuration), their units, and the test over one
// delivered block, GUI-free so that orma-tool runs the same search over a whole record.
#include "sources/BlockSnapshot.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

// Criterion indices; the order is that of the settings, the dialog and the report.
enum FindCriterion {
    FindUpLevel, FindLowLevel, FindUpFreq, FindLowFreq, FindUpPower, FindLowPower,
    FindUpPowerHarm, FindLowPowerHarm, FindUpSfdr, FindLowSfdr, FindUpThdn, FindLowThdn,
    FindUpThd, FindLowThd, FindUpSnr, FindLowSnr,
    FindCriterionCount
};

// Units of the four signal-level thresholds (criteria 4 to 7), in the combo boxes' order.
enum LevelUnit { LevelDb, LevelDbm, LevelDbuV, LevelVoltsPeak, LevelVoltsRms, LevelUnitCount };

// "dB", "dBm", "dBuV", "В(ампл)", "В(эфф)".
const QStringList &levelUnitTexts();
// The unit of a text, -1 when it is none of them.
int levelUnitOf(const QString &sText);
// Threshold t in `unit` -> RMS volts, with R the load in ohms for "dBm".
double levelToRmsVolts(double t, int unit, double ohms);
// RMS volts -> threshold in `unit`, kept inside ±limit: the logarithm of a non-positive
// voltage gives -limit, not NaN.
double rmsVoltsToLevel(double x, int unit, double ohms, double limit);

struct FindCriterionInfo {
    const char *key;    // settings key after "Find/", the enable key adds "Enable"
    const char *reason; // report text after the channel number
    const char *unit;   // unit of the compared value and threshold
    double min, max;    // threshold range
    bool isLevelUnit;   // the threshold carries one of the level units
};
const FindCriterionInfo &findCriterionInfo(int criterion);
// Largest magnitude of a signal-level threshold.
constexpr double LevelThresholdLimit = 15000.0;

struct FindSettings {
    std::array<bool, FindCriterionCount> enabled{};
    std::array<double, FindCriterionCount> threshold{};
    std::array<int, 4> levelUnits{}; // criteria 4..7, LevelUnit
    bool autoOpen = true;
    bool currentChannel = true;
    // The selected channel numbers as stored; empty stands for every available channel.
    QList<int> channels;

    int levelUnit(int criterion) const { return levelUnits[size_t(criterion - FindUpPower)]; }
    bool anyEnabled() const;
    // Only the sample-level criteria: a block needs no spectra for them.
    bool levelOnly() const;
    // The stored selection restricted to what the record has; all of it when nothing is left.
    QList<int> selectedChannels(const QList<int> &available) const;

    // Stored values out of range are clamped; an unknown unit text reads as "dB".
    void load(const QString &iniPath);
    void save(const QString &iniPath) const;
};

struct SearchScope {
    static constexpr uint64_t NoShownStart = UINT64_MAX;
    QList<int> channels;      // device channel numbers in test order
    uint64_t shownWidth = 0;  // samples shown from the display position
    // Record sample of the first shown one; the block's display position when not set.
    uint64_t shownStart = NoShownStart;
    double voltsPerCode = 0;  // the oscilloscope's conversion of a code to volts
    double impedance = 50;    // ohms, for "dBm"
};

struct SearchMatch {
    int channel = 0;
    int criterion = 0;
    double value = 0;     // as compared, in the criterion's unit
    double threshold = 0; // likewise
    uint64_t sample = 0;  // record sample of a level crossing, else the block's position
};

// Volts per ADC code of a record as the oscilloscope's amplitude axis shows them.
double recordVoltsPerCode(const FileParams &params);

// First sample of s[0..n) above `up` or below `low` (strictly; a NaN never matches), -1 when
// none; `isUp` tells which. Pass +inf / -inf for a side that is not tested.
long firstLevelCrossing(const double *s, long n, double voltsPerCode, double up, double low,
                        bool &isUp);

// The test of one block, channel by channel in scope order: at most one level match and one
// match of the other criteria per channel, in the order the report lists them. Channels the
// block does not hold are skipped; the spectral criteria need the channel's spectrum.
std::vector<SearchMatch> searchBlock(const BlockSnapshot &block, const FindSettings &settings,
                                     const SearchScope &scope);

// "В канале 3 уровень выше порога." per match, one per line, no final line break.
QString searchReport(const std::vector<SearchMatch> &matches);
