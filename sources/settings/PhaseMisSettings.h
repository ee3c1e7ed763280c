#pragma once
// "Измерение фазового рассогласования": the units of the periods and phases, whether the
// whole block is measured, and per channel 2..4 the thresholds that stop acquisition.
#include "sources/settings/DimensionCodes.h"

#include <QString>

#include <array>
#include <tuple>

struct PhaseMisSettings {
    static constexpr int OtherChannels = 3; // channels 2, 3, 4
    // Units offered by the two choosers, in their order.
    static constexpr int PeriodCodes[] = {DimMilliseconds, DimMicroseconds, DimNanoseconds, DimSamples};
    static constexpr int PhaseCodes[] = {DimMilliseconds, DimMicroseconds, DimNanoseconds,
                                         DimSamples, DimRadians, DimDegrees};

    int periodDimension = DimMilliseconds;
    int dimension = DimDegrees;
    bool fullData = false; // measure the whole block, not the oscilloscope window
    std::array<bool, OtherChannels> findLow{};
    std::array<bool, OtherChannels> findHi{};
    std::array<double, OtherChannels> findLowVal{};
    std::array<double, OtherChannels> findHiVal{};

    // Unknown unit codes give the defaults; thresholds must be finite.
    void load(const QString &iniPath);
    void save(const QString &iniPath) const;

private:
    auto fields() const
    {
        return std::tie(periodDimension, dimension, fullData, findLow, findHi, findLowVal, findHiVal);
    }

public:
    bool operator==(const PhaseMisSettings &o) const { return fields() == o.fields(); }
    bool operator!=(const PhaseMisSettings &o) const { return !(*this == o); }
};
