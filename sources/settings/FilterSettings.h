#pragma once
// The filter dialog's settings under "Filtration/" (all but "Filtration/OnFiltration", which
// belongs to the main window), as the FilterParams block the source takes.
#include "sources/settings/FilterParams.h"

#include <QString>

struct FilterSettings {
    // Longest FIR: a million taps already need a 4M-point transform (about 100 MB of work
    // arrays) per channel; the dialog's nine digits would ask for gigabytes.
    static constexpr int MaxFirLength = 1048575;
    static constexpr int MaxIirOrder = 1000; // what the dialog offers; the design limits it
    static constexpr double MaxFreqKhz = 10000000.0;
    static constexpr double MaxKaiserBeta = 100.0;
    static constexpr double MaxLevelDb = 300.0; // ripple and attenuation

    FilterParams params = defaults();

    static FilterParams defaults();
    // Missing or unreadable keys give the defaults, numbers are clamped into the dialog's
    // ranges, unknown codes give the default code; the length is made odd and filterId is
    // derived from the fields, whatever the file says.
    void load(const QString &iniPath);
    void save(const QString &iniPath) const;
};
