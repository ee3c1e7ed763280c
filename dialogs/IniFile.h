#pragma once
// One short-lived access to a configuration file: INI format, values in CP1251. Reads fall back
// to the caller's default on a missing or unreadable value and clamp numbers into their range,
// so that a hand-edited or damaged file never puts a widget into a state it cannot show.
#include <QSettings>
#include <QString>
#include <QVariant>

#include <climits>

class IniFile {
public:
    explicit IniFile(const QString &sPath);

    int readInt(const QString &sKey, int nDefault, int nMin, int nMax) const;
    // A code or choice, checked by the caller against its list.
    int readInt(const QString &sKey, int nDefault) const { return readInt(sKey, nDefault, INT_MIN, INT_MAX); }
    double readDouble(const QString &sKey, double dDefault, double dMin, double dMax) const;
    bool readBool(const QString &sKey, bool isDefault) const;
    QString readText(const QString &sKey, const QString &sDefault) const;

    void write(const QString &sKey, const QVariant &value);
    // Booleans are stored as 0 / 1.
    void writeBool(const QString &sKey, bool isSet) { write(sKey, int(isSet)); }

private:
    QSettings m_settings;
};
