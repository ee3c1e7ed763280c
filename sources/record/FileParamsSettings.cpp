#include "sources/record/FileParamsSettings.h"

#include "sources/settings/SettingsFields.h"

#include <cmath>

namespace {

using S = FileParamsSettings;
const auto kFields = SettingsFields<S>()
    .flag("FileParams/UserFileParams", &S::useUserParams)
    .number("FileParams/UserSampleRate", &S::sampleRateKhz, 0.0, S::MaxSampleRateKhz)
    .number("FileParams/UserBytesPerSamples", &S::bytesPerSample, 1, 4)
    .number("FileParams/UserChannelNumber", &S::channelCount, 1, S::MaxChannels)
    .number("FileParams/UserBitRange", &S::bitRange, 1, 32)
    .number("FileParams/UserVoltageRange", &S::voltageRange, 0.0, S::MaxVoltageRange)
    .flag("FileParams/UserIsComplex", &S::isComplex)
    .number("FileParams/ConvertCode", &S::codeType, 0, 2);

} // namespace

void FileParamsSettings::load(const QString &iniPath)
{
    kFields.load(iniPath, *this);
    if (!isSampleWidth(bytesPerSample))
        bytesPerSample = FileParamsSettings().bytesPerSample;
    // More significant bits than stored bits would shift the samples by a negative count.
    bitRange = std::min(bitRange, 8 * bytesPerSample);
    isComplex = isComplex && channelCount > 1;
}

void FileParamsSettings::save(const QString &iniPath) const { kFields.save(iniPath, *this); }

FileParams FileParamsSettings::fileParams() const
{
    FileParams params = zeroedFileParams();
    // Three decimals of kHz and V give whole Hz and mV, which plain truncation of the binary
    // product would sometimes miss by one.
    params.sampleRate = std::round(sampleRateKhz * 1000.0);
    params.bytesPerSample = uint8_t(bytesPerSample);
    params.channelCount = uint32_t(channelCount);
    params.bitRange = uint8_t(bitRange);
    params.voltageRangeMv = int32_t(std::lround(voltageRange * 1000.0));
    params.isComplex = isComplex;
    params.codeType = codeType;
    return params;
}
