#pragma once
// A configuration file that does not exist yet, in a directory removed after the test, with
// raw access to its keys and bytes in the program's own INI format.
#include "sources/settings/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class ScratchIni {
public:
    ScratchIni() : m_path(m_dir.filePath("ORMA.ini")) {}
    const QString &path() const { return m_path; }

    void set(const QString &sKey, const QVariant &value) const { openIni(m_path)->setValue(sKey, value); }
    QVariant get(const QString &sKey) const { return openIni(m_path)->value(sKey); }
    QByteArray bytes() const
    {
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void write(const QByteArray &bytes) const
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
};
