#pragma once
// Input of an IPv4 address: blanks typed between the numbers become dots, more than four
// numbers or a number above 255 are refused. Fewer numbers pass ("10.0" is 10.0.0.0, as the
// resolver reads it); a dot not followed by a number yet is still being typed.
#include <QValidator>

class IpValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
};
