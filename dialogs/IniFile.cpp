#include "dialogs/IniFile.h"

#include <algorithm>
#include <cmath>

IniFile::IniFile(const QString &sPath) : m_settings(sPath, QSettings::IniFormat)
{
    m_settings.setIniCodec("CP1251");
}

int IniFile::readInt(const QString &sKey, int nDefault, int nMin, int nMax) const
{
    // Read wide so that a huge stored number clamps instead of reading as garbage.
    const double dValue = readDouble(sKey, nDefault, nMin, nMax);
    return int(std::lround(dValue));
}

double IniFile::readDouble(const QString &sKey, double dDefault, double dMin, double dMax) const
{
    bool isOk = false;
    const double dValue = m_settings.value(sKey).toString().trimmed().toDouble(&isOk);
    if (!isOk || !std::isfinite(dValue))
        return std::clamp(dDefault, dMin, dMax);
    return std::clamp(dValue, dMin, dMax);
}

bool IniFile::readBool(const QString &sKey, bool isDefault) const
{
    const QString sValue = m_settings.value(sKey).toString().trimmed();
    bool isOk = false;
    const double dValue = sValue.toDouble(&isOk);
    if (isOk)
        return dValue != 0.0;
    if (sValue.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (sValue.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    return isDefault;
}

QString IniFile::readText(const QString &sKey, const QString &sDefault) const
{
    return m_settings.value(sKey, sDefault).toString();
}

void IniFile::write(const QString &sKey, const QVariant &value)
{
    m_settings.setValue(sKey, value);
}
