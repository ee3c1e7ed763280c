#include "dsp/DeviceTable.h"

bool figurePasses(DeviceFigure figure, double value, double criterion)
{
    return figure == FigureThd ? value <= criterion : value >= criterion;
}

std::vector<RowVerdicts> judgeTable(const std::vector<DeviceValues> &rows,
                                    const DeviceValues &criteria, HighlightMode mode)
{
    std::vector<RowVerdicts> verdicts(rows.size());
    CellVerdict *singled = nullptr;
    for (size_t r = 0; r < rows.size(); ++r) {
        for (int f = 0; f < DeviceFigureCount; ++f) {
            CellVerdict &cell = verdicts[r][size_t(f)];
            cell = figurePasses(DeviceFigure(f), rows[r][size_t(f)], criteria[size_t(f)])
                       ? CellVerdict::Pass
                       : CellVerdict::Fail;
            if (cell == CellVerdict::Fail
                && (mode == HighlightMode::Last || (mode == HighlightMode::First && !singled)))
                singled = &cell;
        }
    }
    if (singled)
        *singled = CellVerdict::Highlighted;
    return verdicts;
}

bool allPassed(const std::vector<RowVerdicts> &verdicts)
{
    for (const RowVerdicts &row : verdicts)
        for (CellVerdict cell : row)
            if (cell != CellVerdict::Pass)
                return false;
    return true;
}
