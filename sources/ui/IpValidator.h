#pragma once
// Input of an IPv4 address by the rules of checkIpAddress().
#include <QValidator>

class IpValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
};
