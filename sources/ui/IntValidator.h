#pragma once
// An integer field that refuses blanks and locale group separators, so that what it accepts
// reads back as the same number.
#include <QIntValidator>
#include <QLocale>

// Numbers as typed into the program's fields: a point for decimals, no group separators, so
// that what a validator accepts reads back with QString::toInt / toDouble unchanged.
QLocale plainNumberLocale();

class IntValidator : public QIntValidator {
    Q_OBJECT
public:
    IntValidator(int nBottom, int nTop, QObject *parent = nullptr);
    State validate(QString &input, int &pos) const override;
};
