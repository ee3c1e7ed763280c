#pragma once
// The designed IIR filter as a table for a spreadsheet: its title, order, sampling rate,
// cut-offs, ripple and attenuation where the family uses them, then one row per section.
#include "dsp/IirDesign.h"
#include "sources/settings/FilterParams.h"
#include "sources/export/TableExport.h"

#include <vector>

// "Параметры ФНЧ Баттерворта", "Параметры эллиптического полосового фильтра", ...
QString iirFilterTitle(const FilterParams &params);

// The parameter row comes first; below a blank row, the section rows under their own labels:
// "Звено", "b0", "b1", "b2", "a0", "a1", "a2" (a0 = 1).
ExportTable iirExportTable(const FilterParams &params, double fs,
                           const std::vector<Biquad> &sections);
