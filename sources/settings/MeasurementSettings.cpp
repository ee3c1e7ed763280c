#include "sources/settings/MeasurementSettings.h"

#include "sources/settings/IniFile.h"

#include <tuple>

namespace {

const char *const CriterionKeys[DeviceFigureCount] = {
    "DevParams/SfdrCriterion", "DevParams/SnrCriterion", "DevParams/ThdCriterion",
    "DevParams/ThdnCriterion", "DevParams/EnbCriterion"};

// Criteria far beyond any converter's figures are a damaged file, not a choice.
constexpr double CriterionLimit = 1e6;

} // namespace

void AdcDistribSettings::load(const QString &iniPath)
{
    const IniFile ini(iniPath);
    const AdcDistribSettings d;
    dataType = ini.readCode("AdcDistrib/DataType", d.dataType, std::initializer_list<int>{0, 1, 2});
    isMillivolts = ini.readCode("AdcDistrib/XDim", 0, std::initializer_list<int>{0, 1}) == 1;
    yDim = ini.readCode("AdcDistrib/YDim", d.yDim, std::initializer_list<int>{0, 1, 2});
    isSin = ini.readBool("AdcDistrib/IsSin", d.isSin);
    isShowIdeal = ini.readBool("AdcDistrib/ShowIdeal", d.isShowIdeal);
    isAllData = ini.readCode("AdcDistrib/AllData", 0, std::initializer_list<int>{0, 1}) == 1;
    // Millivolts are written in decimal only.
    if (isMillivolts)
        dataType = Dec;
}

void AdcDistribSettings::save(const QString &iniPath) const
{
    IniFile ini(iniPath);
    ini.write("AdcDistrib/DataType", dataType);
    ini.write("AdcDistrib/XDim", int(isMillivolts));
    ini.write("AdcDistrib/YDim", yDim);
    ini.writeBool("AdcDistrib/IsSin", isSin);
    ini.writeBool("AdcDistrib/ShowIdeal", isShowIdeal);
    ini.write("AdcDistrib/AllData", int(isAllData));
}

bool AdcDistribSettings::operator==(const AdcDistribSettings &o) const
{
    return std::tie(dataType, isMillivolts, yDim, isSin, isShowIdeal, isAllData)
           == std::tie(o.dataType, o.isMillivolts, o.yDim, o.isSin, o.isShowIdeal, o.isAllData);
}

void DevParamsSettings::load(const QString &iniPath)
{
    const IniFile ini(iniPath);
    for (int f = 0; f < DeviceFigureCount; ++f)
        criteria[size_t(f)] = ini.readDouble(CriterionKeys[f], 0.0, -CriterionLimit, CriterionLimit);
    selectionMode = ini.readCode("DevParams/SelectionMode", 0, std::initializer_list<int>{0, 1, 2});
}

void DevParamsSettings::save(const QString &iniPath) const
{
    IniFile ini(iniPath);
    for (int f = 0; f < DeviceFigureCount; ++f)
        ini.write(CriterionKeys[f], criteria[size_t(f)]);
    ini.write("DevParams/SelectionMode", selectionMode);
}
