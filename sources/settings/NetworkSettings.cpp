#include "sources/settings/NetworkSettings.h"

#include "sources/settings/IniFile.h"

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

// Digits only, as the port field takes them.
bool readPort(const QString &sText, unsigned &port)
{
    bool isOk = false;
    const unsigned value = sText.toUInt(&isOk);
    if (sText.isEmpty() || !isDecimal(sText) || !isOk || value > NetworkSettings::MaxPort)
        return false;
    port = value;
    return true;
}

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

void NetworkSettings::load(const QString &iniPath)
{
    const IniFile ini(iniPath);
    const NetworkSettings d;
    QString sAddress = ini.readText("Network/IP", d.address);
    address = checkIpAddress(sAddress) == AddressText::Complete ? sAddress : d.address;
    port = d.port;
    readPort(ini.readText("Network/Port", QString()), port);
    fileName = ini.readText("Network/FileName", d.fileName);
}

void NetworkSettings::save(const QString &iniPath) const
{
    IniFile ini(iniPath);
    ini.write("Network/IP", address);
    ini.write("Network/Port", QString::number(port));
    ini.write("Network/FileName", fileName);
}
