#include "sources/settings/FilterSettings.h"

#include "sources/settings/SettingsFields.h"

namespace {

using P = FilterParams;
using S = FilterSettings;
const auto kFields = SettingsFields<P>()
    .choice("Filtration/FilterType", &P::filterType, 2)
    .choice("Filtration/FilterFunction", &P::filterFunction, 4)
    .choice("Filtration/FirFilter", &P::firFilter, 2)
    .choice("Filtration/FirWindow", &P::firWindow, 5)
    .number("Filtration/FirLength", &P::firLength, 0, S::MaxFirLength,
            [](double n) { return int(std::lround(n)) | 1; }) // odd
    .number("Filtration/FirBetaKaiser", &P::firBetaKaiser, 0.0, S::MaxKaiserBeta)
    .number("Filtration/FirLowFreq", &P::firLowFreq, 0.0, S::MaxFreqKhz)
    .number("Filtration/FirUpFreq", &P::firUpFreq, 0.0, S::MaxFreqKhz)
    .choice("Filtration/IirFilter", &P::iirFilter, 5)
    .number("Filtration/IirOrder", &P::iirOrder, 0, S::MaxIirOrder)
    .number("Filtration/IirLowFreq", &P::iirLowFreq, 0.0, S::MaxFreqKhz)
    .number("Filtration/IirUpFreq", &P::iirUpFreq, 0.0, S::MaxFreqKhz)
    .number("Filtration/IirPulse", &P::iirPulse, 0.0, S::MaxLevelDb)
    .number("Filtration/IirDepresion", &P::iirDepresion, 0.0, S::MaxLevelDb);

} // namespace

FilterParams FilterSettings::defaults()
{
    FilterParams p;
    p.filterType = 0;
    p.filterFunction = 0;
    p.firFilter = 1;
    p.firWindow = 0;
    p.firLength = 201;
    p.firBetaKaiser = 1.0f;
    p.firLowFreq = 20.0f;
    p.firUpFreq = 30.0f;
    p.iirFilter = 0;
    p.iirOrder = 5;
    p.iirLowFreq = 20.0f;
    p.iirUpFreq = 30.0f;
    p.iirPulse = 0.5f;
    p.iirDepresion = 40.0f;
    p.filterId = filterIdOf(p);
    return p;
}

void FilterSettings::load(const QString &iniPath)
{
    kFields.load(iniPath, params, defaults());
    params.filterId = filterIdOf(params);
}

void FilterSettings::save(const QString &iniPath) const
{
    IniFile ini(iniPath);
    kFields.save(ini, params);
    ini.write("Filtration/FilterId", filterIdOf(params));
}
