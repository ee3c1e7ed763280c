#include "sources/ui/IpValidator.h"

#include <QStringList>

namespace {

constexpr int MaxParts = 4;
constexpr int MaxByte = 255;

bool isDecimal(const QString &sPart)
{
    for (QChar c : sPart)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

} // namespace

QValidator::State IpValidator::validate(QString &input, int &) const
{
    input.replace(QLatin1Char(' '), QLatin1Char('.'));
    const QStringList parts = input.split(QLatin1Char('.'));
    if (parts.size() > MaxParts)
        return Invalid;
    bool isComplete = true;
    for (const QString &sPart : parts) {
        if (sPart.isEmpty()) {
            isComplete = false;
            continue;
        }
        // Digits only: a sign or a blank would pass a number conversion but not the resolver.
        bool isOk = false;
        if (!isDecimal(sPart) || sPart.toInt(&isOk) > MaxByte || !isOk)
            return Invalid;
    }
    return isComplete ? Acceptable : Intermediate;
}
