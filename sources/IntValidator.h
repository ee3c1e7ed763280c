#pragma once
// An integer field that refuses blanks and locale group separators, so that what it accepts
// reads back as the same number.
#include <QIntValidator>

class IntValidator : public QIntValidator {
    Q_OBJECT
public:
    IntValidator(int nBottom, int nTop, QObject *parent = nullptr);
    State validate(QString &input, int &pos) const override;
};
