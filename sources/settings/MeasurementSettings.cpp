#include "sources/settings/MeasurementSettings.h"

#include "sources/settings/SettingsFields.h"

#include <tuple>

namespace {

using A = AdcDistribSettings;
const auto kAdcDistribFields = SettingsFields<A>()
    .choice("AdcDistrib/DataType", &A::dataType, 3)
    .choice("AdcDistrib/XDim", &A::isMillivolts, 2)
    .choice("AdcDistrib/YDim", &A::yDim, 5)
    .flag("AdcDistrib/IsSin", &A::isSin)
    .flag("AdcDistrib/ShowIdeal", &A::isShowIdeal)
    .choice("AdcDistrib/AllData", &A::isAllData, 2);

const auto kDevParamsFields = [] {
    const char *const criterionKeys[DeviceFigureCount] = {
        "DevParams/SfdrCriterion", "DevParams/SnrCriterion", "DevParams/ThdCriterion",
        "DevParams/ThdnCriterion", "DevParams/EnbCriterion"};
    // Criteria far beyond any converter's figures are a damaged file, not a choice.
    constexpr double criterionLimit = 1e6;
    using D = DevParamsSettings;
    SettingsFields<D> f;
    for (int i = 0; i < DeviceFigureCount; ++i)
        f.number(criterionKeys[i], element(&D::criteria, i), -criterionLimit, criterionLimit);
    return f.choice("DevParams/SelectionMode", &D::selectionMode, 3);
}();

} // namespace

void AdcDistribSettings::load(const QString &iniPath)
{
    kAdcDistribFields.load(iniPath, *this);
    // Millivolts are written in decimal only.
    if (isMillivolts)
        dataType = Dec;
}

void AdcDistribSettings::save(const QString &iniPath) const { kAdcDistribFields.save(iniPath, *this); }

bool AdcDistribSettings::operator==(const AdcDistribSettings &o) const
{
    return std::tie(dataType, isMillivolts, yDim, isSin, isShowIdeal, isAllData)
           == std::tie(o.dataType, o.isMillivolts, o.yDim, o.isSin, o.isShowIdeal, o.isAllData);
}

void DevParamsSettings::load(const QString &iniPath) { kDevParamsFields.load(iniPath, *this); }

void DevParamsSettings::save(const QString &iniPath) const { kDevParamsFields.save(iniPath, *this); }
