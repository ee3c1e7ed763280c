#pragma once
// Short-lived INI access in the program's one format: QSettings on a file path, INI format,
// values encoded in CP1251 so that existing configuration files stay byte-compatible.
#include <QSettings>
#include <QString>
#include <QVariant>

#include <memory>

std::unique_ptr<QSettings> openIni(const QString &path);

// Writes group/key (a key at the top level when group is empty).
void writeIniValue(const QString &path, const QString &group, const QString &key,
                   const QVariant &value);

// The text to store for a new value so that a hand-written "// comment" behind the old value
// survives with the blanks before it: "7  // note" updated to 8 gives "8  // note".
QString valueKeepingComment(const QString &oldText, const QString &newValue);
void writeIniValueKeepingComment(const QString &path, const QString &group, const QString &key,
                                 const QString &newValue);

// Where the application configuration lives: next to the executable, or, when that directory
// cannot be written, in the per-user configuration directory, so that settings are not lost.
QString applicationConfigPath(const QString &applicationDir);
