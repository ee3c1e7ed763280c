#include "sources/record/FileParamsSettings.h"

#include "sources/settings/IniFile.h"
#include "sources/settings/SettingsFields.h"

#include <QCryptographicHash>
#include <QStringList>

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

namespace {

// A path may hold characters a key cannot; its hash cannot.
QString foreignKey(const QString &recordPath)
{
    return QStringLiteral("ForeignFiles/") +
           QString::fromLatin1(QCryptographicHash::hash(recordPath.toUtf8(), QCryptographicHash::Sha1).toHex());
}

} // namespace

bool FileParamsSettings::loadForFile(const QString &iniPath, const QString &recordPath)
{
    // "rate kHz;bits;range V;complex;path", the path kept for a reader of the file.
    const QStringList items = IniFile(iniPath).readText(foreignKey(recordPath), QString()).split(QLatin1Char(';'));
    if (items.size() < 4)
        return false;
    bool ok[3] = {};
    const double rate = items.at(0).toDouble(&ok[0]), range = items.at(2).toDouble(&ok[2]);
    const int bits = items.at(1).toInt(&ok[1]);
    if (!ok[0] || !ok[1] || !ok[2] || !(rate > 0 && rate <= MaxSampleRateKhz) || bits < 1 || bits > 32 ||
        !(range >= 0 && range <= MaxVoltageRange))
        return false;
    sampleRateKhz = rate;
    bitRange = bits;
    voltageRange = range;
    isComplex = items.at(3) == QLatin1String("1");
    return true;
}

void FileParamsSettings::saveForFile(const QString &iniPath, const QString &recordPath) const
{
    IniFile(iniPath).write(foreignKey(recordPath), QStringLiteral("%1;%2;%3;%4;%5")
                                                       .arg(sampleRateKhz, 0, 'g', 15).arg(bitRange)
                                                       .arg(voltageRange, 0, 'g', 15).arg(isComplex ? 1 : 0)
                                                       .arg(recordPath));
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
