#pragma once
// "Другие настройки": display options of the oscilloscope (sample marks, trace accumulation,
// spectra in oscilloscope mode, visible channels), stored at the top level of the configuration.
#include <QString>

#include <tuple>

struct OtherSettings {
    static constexpr int MaxAccumCount = 999999999;

    int maxChannelCount = 8;     // channels with a legend entry: 8 or 16
    bool isTikSamples = false;   // grid ticks at every sample
    bool isMarkerSamples = false;
    bool isAccumInf = true;      // accumulated traces are never cleared
    int accumCount = 1;          // blocks accumulated before a clear, 0..MaxAccumCount
    bool isSpectrEnable = true;  // spectra also while only the oscilloscope is shown

    // Any stored channel limit other than 8 asks for 16; the count is clamped into its range.
    void load(const QString &iniPath);
    void save(const QString &iniPath) const;

private:
    auto fields() const
    {
        return std::tie(maxChannelCount, isTikSamples, isMarkerSamples, isAccumInf, accumCount,
                        isSpectrEnable);
    }

public:
    bool operator==(const OtherSettings &other) const { return fields() == other.fields(); }
    bool operator!=(const OtherSettings &other) const { return !(*this == other); }
};
