#pragma once
// The vector diagram's report: the full-scale square, both markers' points and their
// differences in polar and rectangular coordinates, as text and as JSON.
#include "sources/measure/vector/VectorFigures.h"

#include <QJsonObject>
#include <QStringList>

// What shapes the report besides the figures.
struct VectorReportOptions {
    QStringList files; // the text names them all, the JSON the first
    int pair = 0;
};

QString vectorText(const IqSlice &z, const VectorFigures &f, const VectorReportOptions &r);
QJsonObject vectorJson(const IqSlice &z, const VectorFigures &f, const VectorReportOptions &r);
