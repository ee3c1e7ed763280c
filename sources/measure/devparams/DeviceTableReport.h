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

// "sfdr=70,thd=-80": each named figure's criterion (the others keep theirs), and in `named`
// which were given; false with the item and the rule in `error` when one is no figure or has
// no number.
bool parseDeviceCriteria(const QString &text, DeviceValues &criteria, QString &error,
                         std::array<bool, DeviceFigureCount> *named = nullptr);
