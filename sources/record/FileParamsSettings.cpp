#include "sources/record/FileParamsSettings.h"

#include "sources/settings/IniFile.h"

#include <cmath>

void FileParamsSettings::load(const QString &iniPath)
{
    const IniFile ini(iniPath);
    const FileParamsSettings d;
    useUserParams = ini.readBool("FileParams/UserFileParams", d.useUserParams);
    sampleRateKhz = ini.readDouble("FileParams/UserSampleRate", d.sampleRateKhz, 0.0, MaxSampleRateKhz);
    bytesPerSample = ini.readInt("FileParams/UserBytesPerSamples", d.bytesPerSample, 1, 4);
    if (!isSampleWidth(bytesPerSample))
        bytesPerSample = d.bytesPerSample;
    channelCount = ini.readInt("FileParams/UserChannelNumber", d.channelCount, 1, MaxChannels);
    // More significant bits than stored bits would shift the samples by a negative count.
    bitRange = ini.readInt("FileParams/UserBitRange", d.bitRange, 1, 8 * bytesPerSample);
    voltageRange = ini.readDouble("FileParams/UserVoltageRange", d.voltageRange, 0.0, MaxVoltageRange);
    isComplex = ini.readBool("FileParams/UserIsComplex", d.isComplex) && channelCount > 1;
    codeType = ini.readInt("FileParams/ConvertCode", d.codeType, 0, 2);
}

void FileParamsSettings::save(const QString &iniPath) const
{
    IniFile ini(iniPath);
    ini.writeBool("FileParams/UserFileParams", useUserParams);
    ini.write("FileParams/UserSampleRate", sampleRateKhz);
    ini.write("FileParams/UserBytesPerSamples", bytesPerSample);
    ini.write("FileParams/UserChannelNumber", channelCount);
    ini.write("FileParams/UserBitRange", bitRange);
    ini.write("FileParams/UserVoltageRange", voltageRange);
    ini.writeBool("FileParams/UserIsComplex", isComplex);
    ini.write("FileParams/ConvertCode", codeType);
}

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
