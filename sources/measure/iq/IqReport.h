#pragma once
// The amplitude, frequency and phase report of one I/Q pair: the summaries, and with `series`
// every sample's envelope, frequency and phase, as text and as JSON.
#include "sources/measure/iq/IqFigures.h"

#include <QJsonObject>
#include <QStringList>

// What shapes the report besides the figures.
struct IqReportOptions {
    QStringList files; // the text names them all, the JSON the first
    int pair = 0;
    bool series = false;
};

QString iqText(const IqSlice &z, const IqFigures &f, const IqReportOptions &r);
QJsonObject iqJson(const IqSlice &z, const IqFigures &f, const IqReportOptions &r);
