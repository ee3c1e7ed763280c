#pragma once
// The device table's report: every channel's figures judged against the criteria, as text (a
// miss marked "!") and as JSON.
#include "dsp/DeviceTable.h"

#include <QJsonObject>
#include <QString>

// The figures' names in criteria and JSON keys, in DeviceFigure order.
extern const char *const DeviceFigureKeys[DeviceFigureCount];

struct DeviceTableFigures {
    DeviceValues criteria{};
    std::vector<int> channels; // each row's channel number
    std::vector<DeviceValues> rows;
    std::vector<RowVerdicts> verdicts;
    bool allPassed = false;
};

QString deviceTableText(const DeviceTableFigures &f);
QJsonObject deviceTableJson(const DeviceTableFigures &f, const QString &file);
