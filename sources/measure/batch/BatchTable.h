#pragma once
// A batch's table: one row per record and channel (or one row naming a record that gave no
// figures, and why), as CSV or as JSON lines. Rows of a batch split over machines concatenate
// into the one table.
#include "sources/measure/batch/RecordFigures.h"

#include <QString>

#include <vector>

// A figure column: its key in CSV and JSON, its label for people, the unit's decimals.
struct FigureColumn {
    const char *key;
    const char *label;
    int decimals;
    double (*value)(const ChannelFigures &c);
    int judged = -1; // the DeviceFigure the criteria judge in this column, or -1
};
const std::vector<FigureColumn> &figureColumns();

enum class BatchFormat { Csv, JsonLines };
// The CSV header line; empty for JSON lines.
QString batchHeader(BatchFormat format);
// The record's rows, `index` being its place in the whole batch's list (from 1).
QString batchRows(BatchFormat format, int index, const RecordFigures &r,
                  const DeviceCriteria &criteria);
// No error, and every channel passes every named criterion.
bool recordPasses(const RecordFigures &r, const DeviceCriteria &criteria);
