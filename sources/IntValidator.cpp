#include "sources/IntValidator.h"

IntValidator::IntValidator(int nBottom, int nTop, QObject *parent) : QIntValidator(nBottom, nTop, parent)
{
    // The C locale has no group separator: "7,777" is refused instead of reading back as 0.
    setLocale(QLocale::c());
}

QValidator::State IntValidator::validate(QString &input, int &pos) const
{
    if (input.contains(QLatin1Char(' ')))
        return Invalid;
    return QIntValidator::validate(input, pos);
}
