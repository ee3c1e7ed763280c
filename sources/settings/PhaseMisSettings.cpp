#include "sources/settings/PhaseMisSettings.h"

#include "sources/settings/IniFile.h"

#include <cfloat>

namespace {

QString channelKey(const char *name, int c)
{
    return QStringLiteral("PhaseMis/%1%2").arg(QLatin1String(name)).arg(c + 2);
}

} // namespace

void PhaseMisSettings::load(const QString &iniPath)
{
    const IniFile ini(iniPath);
    const PhaseMisSettings d;
    periodDimension = ini.readCode("PhaseMis/PeriodDimension", d.periodDimension, PeriodCodes);
    dimension = ini.readCode("PhaseMis/Dimension", d.dimension, PhaseCodes);
    fullData = ini.readBool("PhaseMis/FullData", d.fullData);
    for (int c = 0; c < OtherChannels; ++c) {
        findLow[c] = ini.readBool(channelKey("FindLow", c), false);
        findHi[c] = ini.readBool(channelKey("FindHi", c), false);
        findLowVal[c] = ini.readDouble(channelKey("FindLowVal", c), 0.0, -DBL_MAX, DBL_MAX);
        findHiVal[c] = ini.readDouble(channelKey("FindHiVal", c), 0.0, -DBL_MAX, DBL_MAX);
    }
}

void PhaseMisSettings::save(const QString &iniPath) const
{
    IniFile ini(iniPath);
    ini.write("PhaseMis/PeriodDimension", double(periodDimension));
    ini.write("PhaseMis/Dimension", double(dimension));
    ini.write("PhaseMis/FullData", fullData ? 1.0 : 0.0);
    for (int c = 0; c < OtherChannels; ++c) {
        ini.write(channelKey("FindLow", c), findLow[c] ? 1.0 : 0.0);
        ini.write(channelKey("FindHi", c), findHi[c] ? 1.0 : 0.0);
        ini.write(channelKey("FindLowVal", c), findLowVal[c]);
        ini.write(channelKey("FindHiVal", c), findHiVal[c]);
    }
}
