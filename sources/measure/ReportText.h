#pragma once
// How the measurements' reports write their figures: numbers as the viewer shows them, JSON
// values that stay valid when a figure is undefined, and lines laid out as printf lays them out.
#include <QJsonValue>
#include <QString>

// `decimals` decimals, trailing zeros and a bare point removed; "nan", "inf", "-inf".
QString formatNumber(double v, int decimals = 3);
// Non-finite numbers as null.
QJsonValue jsonNumber(double v);
// The C library's printf formatting, so that columns and rounding match what the command line
// has always printed; %s takes UTF-8.
QString formatText(const char *format, ...) __attribute__((format(printf, 1, 2)));
