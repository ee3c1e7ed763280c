#include "sources/settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

std::unique_ptr<QSettings> openIni(const QString &path)
{
    auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    settings->setIniCodec("CP1251");
    return settings;
}

static QString fullKey(const QString &group, const QString &key)
{
    return group.isEmpty() ? key : group + "/" + key;
}

void writeIniValue(const QString &path, const QString &group, const QString &key,
                   const QVariant &value)
{
    openIni(path)->setValue(fullKey(group, key), value);
}

QString valueKeepingComment(const QString &oldText, const QString &newValue)
{
    const int comment = oldText.indexOf("//");
    if (comment < 0)
        return newValue;
    int start = comment;
    while (start > 0 && oldText.at(start - 1) == QLatin1Char(' '))
        --start;
    return newValue + oldText.mid(start);
}

void writeIniValueKeepingComment(const QString &path, const QString &group, const QString &key,
                                 const QString &newValue)
{
    auto ini = openIni(path);
    const QString name = fullKey(group, key);
    // A comma in a hand-edited value makes QSettings read a list; join it back as it stood.
    const QVariant old = ini->value(name);
    const QString oldText = old.type() == QVariant::StringList ? old.toStringList().join(", ")
                                                               : old.toString();
    ini->setValue(name, valueKeepingComment(oldText, newValue));
}

static bool canWriteFile(const QString &path)
{
    QFile file(path);
    const bool existed = file.exists();
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append))
        return false;
    file.close();
    if (!existed)
        file.remove();
    return true;
}

QString applicationConfigPath(const QString &applicationDir)
{
    const QString nextToProgram = applicationDir + "/ORMA.ini";
    // An installed program's folder belongs to the system, even for root, who could write it.
    const bool installed = QDir::cleanPath(applicationDir).startsWith(QStringLiteral("/usr/"));
    if (!installed && canWriteFile(nextToProgram))
        return nextToProgram;
    const QString userDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(userDir);
    return userDir + "/ORMA.ini";
}

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
