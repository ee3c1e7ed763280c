#include "sources/settings/PhaseMisSettings.h"

#include "sources/settings/SettingsFields.h"

#include <cfloat>

namespace {

using S = PhaseMisSettings;
const auto kFields = [] {
    SettingsFields<S> f;
    f.code("PhaseMis/PeriodDimension", &S::periodDimension, S::PeriodCodes)
        .code("PhaseMis/Dimension", &S::dimension, S::PhaseCodes)
        .flag("PhaseMis/FullData", &S::fullData);
    for (int c = 0; c < S::OtherChannels; ++c) {
        // Channels 2..4.
        const auto key = [c](const char *name) { return QStringLiteral("PhaseMis/%1%2").arg(name).arg(c + 2); };
        f.flag(key("FindLow"), element(&S::findLow, c))
            .flag(key("FindHi"), element(&S::findHi, c))
            .number(key("FindLowVal"), element(&S::findLowVal, c), -DBL_MAX, DBL_MAX)
            .number(key("FindHiVal"), element(&S::findHiVal, c), -DBL_MAX, DBL_MAX);
    }
    return f;
}();

} // namespace

void PhaseMisSettings::load(const QString &iniPath) { kFields.load(iniPath, *this); }

void PhaseMisSettings::save(const QString &iniPath) const { kFields.save(iniPath, *this); }
