#pragma once
// Number rules shared by the panels' read-outs and position controls.
#include <QString>

class QLineEdit;

// Whole number nearest to v, where a fractional part above 0.4 already rounds up (positions
// of markers, harmonics and the slider snap to samples and bins this way).
double roundToWhole(double v);

// value with `decimals` decimals (trailing zeros and a bare point removed when trim), using
// fewer decimals, and in the end the exponent form, when the text would not fit into
// maxLength characters: a read-out that is cut off shows a wrong number.
QString fittedNumber(double value, int decimals, int maxLength, bool trim);

// Writes a read-out and shows its beginning, where the digits that matter are.
void showReadout(QLineEdit *edit, const QString &text);
// A read-out with three decimals and no trailing zeros, fitted into the edit's length.
void showTrimmed(QLineEdit *edit, double value);
