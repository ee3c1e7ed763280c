#include "sources/ui/IpValidator.h"

#include "sources/settings/NetworkSettings.h"

QValidator::State IpValidator::validate(QString &input, int &) const
{
    switch (checkIpAddress(input)) {
    case AddressText::Complete:
        return Acceptable;
    case AddressText::Incomplete:
        return Intermediate;
    case AddressText::Invalid:
        break;
    }
    return Invalid;
}
