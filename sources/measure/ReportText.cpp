#include "sources/measure/ReportText.h"

#include <QByteArray>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

QString formatNumber(double v, int decimals)
{
    if (!std::isfinite(v))
        return std::isnan(v) ? QStringLiteral("nan") : v > 0 ? QStringLiteral("inf")
                                                             : QStringLiteral("-inf");
    QString text = QString::number(v, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QJsonValue jsonNumber(double v) { return std::isfinite(v) ? QJsonValue(v) : QJsonValue(); }

QString formatText(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int size = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    QByteArray text(std::max(size, 0), '\0');
    if (size > 0)
        std::vsnprintf(text.data(), size_t(size) + 1, format, again);
    va_end(again);
    return QString::fromUtf8(text);
}
