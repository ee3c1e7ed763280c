#include "sources/settings/NetworkSettings.h"

#include "sources/settings/SettingsFields.h"

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

// Digits only, as the port field takes them; any other text gives `fallback`.
unsigned portOf(const QString &sText, unsigned fallback)
{
    bool isOk = false;
    const unsigned value = sText.toUInt(&isOk);
    return !sText.isEmpty() && isDecimal(sText) && isOk && value <= NetworkSettings::MaxPort ? value : fallback;
}

using S = NetworkSettings;
const auto kFields = SettingsFields<S>()
    .add("Network/IP", &S::address,
         [](const IniFile &ini, const QString &key, const QString &fallback) {
             QString sAddress = ini.readText(key, fallback);
             return checkIpAddress(sAddress) == AddressText::Complete ? sAddress : fallback;
         },
         [](const QString &sAddress) { return QVariant(sAddress); })
    .add("Network/Port", &S::port,
         [](const IniFile &ini, const QString &key, unsigned fallback) {
             return portOf(ini.readText(key, QString()), fallback);
         },
         [](unsigned port) { return QVariant(port); })
    .text("Network/FileName", &S::fileName);

} // namespace

AddressText checkIpAddress(QString &text)
{
    text.replace(QLatin1Char(' '), QLatin1Char('.'));
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() > MaxParts)
        return AddressText::Invalid;
    bool isComplete = true;
    for (const QString &sPart : parts) {
        if (sPart.isEmpty()) {
            isComplete = false;
            continue;
        }
        // Digits only: a sign or a blank would pass a number conversion but not the resolver.
        bool isOk = false;
        if (!isDecimal(sPart) || sPart.toInt(&isOk) > MaxByte || !isOk)
            return AddressText::Invalid;
    }
    return isComplete ? AddressText::Complete : AddressText::Incomplete;
}

void NetworkSettings::load(const QString &iniPath) { kFields.load(iniPath, *this); }

void NetworkSettings::save(const QString &iniPath) const { kFields.save(iniPath, *this); }
