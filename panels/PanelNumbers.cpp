#include "panels/PanelNumbers.h"

#include <QLineEdit>

#include <algorithm>
#include <cmath>

#include "plot/OrmaScaleDraw.h"

double roundToWhole(double v)
{
    const double whole = std::floor(v);
    return v - whole > 0.4 ? whole + 1.0 : whole;
}

QString fittedNumber(double value, int decimals, int maxLength, bool trim)
{
    for (int d = decimals; d >= 0; --d) {
        const QString text = trim ? trimmedNumber(value, d) : QString::number(value, 'f', d);
        if (text.size() <= maxLength)
            return text;
    }
    // "1.2e+07": sign, digits, point and a four-character exponent.
    const int digits = std::max(1, maxLength - 5 - (value < 0 ? 1 : 0));
    return QString::number(value, 'g', digits);
}

void showReadout(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    edit->setCursorPosition(0);
}

void showTrimmed(QLineEdit *edit, double value)
{
    showReadout(edit, fittedNumber(value, 3, edit->maxLength(), true));
}
