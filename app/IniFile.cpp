#include "app/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

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
    if (canWriteFile(nextToProgram))
        return nextToProgram;
    const QString userDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(userDir);
    return userDir + "/ORMA.ini";
}
