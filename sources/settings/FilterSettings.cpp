#include "sources/settings/FilterSettings.h"

#include "sources/settings/IniFile.h"


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
    const IniFile ini(iniPath);
    const FilterParams d = defaults();
    FilterParams &p = params;
    auto code = [&](const char *key, int fallback, int count) {
        const int v = ini.readInt(QLatin1String(key), fallback);
        return v >= 0 && v < count ? v : fallback;
    };
    auto real = [&](const char *key, float fallback, double max) {
        return float(ini.readDouble(QLatin1String(key), fallback, 0.0, max));
    };
    p.filterType = uint8_t(code("Filtration/FilterType", d.filterType, 2));
    p.filterFunction = uint8_t(code("Filtration/FilterFunction", d.filterFunction, 4));
    p.firFilter = uint8_t(code("Filtration/FirFilter", d.firFilter, 2));
    p.firWindow = uint8_t(code("Filtration/FirWindow", d.firWindow, 5));
    p.firLength = ini.readInt("Filtration/FirLength", d.firLength, 0, MaxFirLength);
    if (p.firLength % 2 == 0)
        ++p.firLength;
    p.firBetaKaiser = real("Filtration/FirBetaKaiser", d.firBetaKaiser, MaxKaiserBeta);
    p.firLowFreq = real("Filtration/FirLowFreq", d.firLowFreq, MaxFreqKhz);
    p.firUpFreq = real("Filtration/FirUpFreq", d.firUpFreq, MaxFreqKhz);
    p.iirFilter = uint32_t(code("Filtration/IirFilter", int(d.iirFilter), 5));
    p.iirOrder = ini.readInt("Filtration/IirOrder", d.iirOrder, 0, MaxIirOrder);
    p.iirLowFreq = real("Filtration/IirLowFreq", d.iirLowFreq, MaxFreqKhz);
    p.iirUpFreq = real("Filtration/IirUpFreq", d.iirUpFreq, MaxFreqKhz);
    p.iirPulse = real("Filtration/IirPulse", d.iirPulse, MaxLevelDb);
    p.iirDepresion = real("Filtration/IirDepresion", d.iirDepresion, MaxLevelDb);
    p.filterId = filterIdOf(p);
}

void FilterSettings::save(const QString &iniPath) const
{
    IniFile ini(iniPath);
    const FilterParams &p = params;
    ini.write("Filtration/FilterType", int(p.filterType));
    ini.write("Filtration/FilterFunction", int(p.filterFunction));
    ini.write("Filtration/FirFilter", int(p.firFilter));
    ini.write("Filtration/FirWindow", int(p.firWindow));
    ini.write("Filtration/FirLength", p.firLength);
    ini.write("Filtration/FirBetaKaiser", double(p.firBetaKaiser));
    ini.write("Filtration/FirLowFreq", double(p.firLowFreq));
    ini.write("Filtration/FirUpFreq", double(p.firUpFreq));
    ini.write("Filtration/IirFilter", int(p.iirFilter));
    ini.write("Filtration/IirOrder", p.iirOrder);
    ini.write("Filtration/IirLowFreq", double(p.iirLowFreq));
    ini.write("Filtration/IirUpFreq", double(p.iirUpFreq));
    ini.write("Filtration/IirPulse", double(p.iirPulse));
    ini.write("Filtration/IirDepresion", double(p.iirDepresion));
    ini.write("Filtration/FilterId", filterIdOf(p));
}
