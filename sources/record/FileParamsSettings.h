#pragma once
// "Параметры файла чтения": the record parameters used when a record has no postfix or when
// the user overrides it, stored under "FileParams/" in the units the user types (kHz, V).
#include "sources/FileParams.h"

#include <QString>

#include <algorithm>
#include <array>
#include <tuple>

struct FileParamsSettings {
    // Bytes per stored sample the readers know.
    static constexpr std::array<int, 3> SampleWidths = {1, 2, 4};
    static constexpr int MaxChannels = 1024;
    static constexpr double MaxSampleRateKhz = 1e9;
    static constexpr double MaxVoltageRange = 10.0; // V

    bool useUserParams = false;     // the user's choice; a record without postfix forces them
    double sampleRateKhz = 20000000.0;
    int bytesPerSample = 2;
    int channelCount = 2;
    int bitRange = 14;              // 1 .. 8 x bytesPerSample
    double voltageRange = 5.0;      // V
    bool isComplex = false;         // needs a pair of channels
    int codeType = 0;               // 0 two's complement, 1 offset binary, 2 Gray

    static bool isSampleWidth(int nBytes)
    {
        return std::find(SampleWidths.begin(), SampleWidths.end(), nBytes) != SampleWidths.end();
    }

    // Missing or unreadable keys give the defaults; a width the readers do not know gives 2
    // bytes, more significant bits than the width holds are cut to it, and a complex record
    // with one channel is read as real.
    void load(const QString &iniPath);
    void save(const QString &iniPath) const;
    // The rate, bits, range and complex flag kept for one capture in another format, under
    // "ForeignFiles/" by a hash of its path; false (nothing changed) when none were kept.
    bool loadForFile(const QString &iniPath, const QString &recordPath);
    void saveForFile(const QString &iniPath, const QString &recordPath) const;

    // The descriptor a record without its own takes (Hz and mV, whole numbers); no channel
    // numbers, shift frequencies or gains.
    FileParams fileParams() const;

private:
    auto fields() const
    {
        return std::tie(useUserParams, sampleRateKhz, bytesPerSample, channelCount, bitRange,
                        voltageRange, isComplex, codeType);
    }

public:
    bool operator==(const FileParamsSettings &other) const { return fields() == other.fields(); }
    bool operator!=(const FileParamsSettings &other) const { return !(*this == other); }
};
