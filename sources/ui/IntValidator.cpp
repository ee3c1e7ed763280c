#include "sources/ui/IntValidator.h"

QLocale plainNumberLocale()
{
    QLocale locale = QLocale::c();
    locale.setNumberOptions(QLocale::RejectGroupSeparator | QLocale::OmitGroupSeparator);
    return locale;
}

IntValidator::IntValidator(int nBottom, int nTop, QObject *parent) : QIntValidator(nBottom, nTop, parent)
{
    setLocale(plainNumberLocale());
}

QValidator::State IntValidator::validate(QString &input, int &pos) const
{
    if (input.contains(QLatin1Char(' ')))
        return Invalid;
    return QIntValidator::validate(input, pos);
}
