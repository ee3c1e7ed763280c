#include "sources/settings/OtherSettings.h"

#include "sources/settings/SettingsFields.h"

namespace {

using S = OtherSettings;
const auto kFields = SettingsFields<S>()
    .number("MaxChannel", &S::maxChannelCount, INT_MIN, INT_MAX, [](double n) { return std::lround(n) == 8 ? 8 : 16; })
    .flag("ShowTikSamples", &S::isTikSamples)
    .flag("ShowMarkerSamples", &S::isMarkerSamples)
    .flag("AccumInf", &S::isAccumInf)
    .number("AccumCount", &S::accumCount, 0, S::MaxAccumCount)
    .flag("SpectrEnable", &S::isSpectrEnable);

} // namespace

void OtherSettings::load(const QString &iniPath) { kFields.load(iniPath, *this); }

void OtherSettings::save(const QString &iniPath) const { kFields.save(iniPath, *this); }
