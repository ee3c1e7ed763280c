#include "sources/settings/OtherSettings.h"

#include "sources/settings/IniFile.h"

void OtherSettings::load(const QString &iniPath)
{
    const IniFile ini(iniPath);
    const OtherSettings d;
    maxChannelCount = ini.readInt("MaxChannel", d.maxChannelCount) == 8 ? 8 : 16;
    isTikSamples = ini.readBool("ShowTikSamples", d.isTikSamples);
    isMarkerSamples = ini.readBool("ShowMarkerSamples", d.isMarkerSamples);
    isAccumInf = ini.readBool("AccumInf", d.isAccumInf);
    accumCount = ini.readInt("AccumCount", d.accumCount, 0, MaxAccumCount);
    isSpectrEnable = ini.readBool("SpectrEnable", d.isSpectrEnable);
}

void OtherSettings::save(const QString &iniPath) const
{
    IniFile ini(iniPath);
    ini.write("MaxChannel", maxChannelCount);
    ini.writeBool("ShowTikSamples", isTikSamples);
    ini.writeBool("ShowMarkerSamples", isMarkerSamples);
    ini.writeBool("AccumInf", isAccumInf);
    ini.write("AccumCount", accumCount);
    ini.writeBool("SpectrEnable", isSpectrEnable);
}
