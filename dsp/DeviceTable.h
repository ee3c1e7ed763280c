#pragma once
// The device parameters table as judged against its criteria: which figures pass, and which
// failing cell the table singles out.
#include <array>
#include <cstddef>
#include <vector>

enum DeviceFigure { FigureSfdr, FigureSnr, FigureThd, FigureThdn, FigureEnob, DeviceFigureCount };
using DeviceValues = std::array<double, DeviceFigureCount>;

// THD is a distortion level and passes at or below its criterion; SFDR, SNR, THD+N and ENOB
// pass at or above theirs. A value that is not a number fails.
bool figurePasses(DeviceFigure figure, double value, double criterion);

enum class CellVerdict { Pass, Fail, Highlighted };
// None: every failure shown alike; First / Last: the first or last failing cell in reading order
// (rows, then figures) is singled out.
enum class HighlightMode { None = 0, First = 1, Last = 2 };
using RowVerdicts = std::array<CellVerdict, DeviceFigureCount>;

std::vector<RowVerdicts> judgeTable(const std::vector<DeviceValues> &rows,
                                    const DeviceValues &criteria, HighlightMode mode);
bool allPassed(const std::vector<RowVerdicts> &verdicts);
