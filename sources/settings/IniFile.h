#pragma once
// Short-lived INI access in the program's one format: QSettings on a file path, INI format,
// values encoded in CP1251 so that existing configuration files stay byte-compatible.
#include <QSettings>
#include <QString>
#include <QVariant>

#include <algorithm>
#include <climits>
#include <iterator>
#include <memory>

std::unique_ptr<QSettings> openIni(const QString &path);

// Reads fall back to the caller's default on a missing or unreadable value and clamp numbers
// into their range, so that a hand-edited or damaged file never puts a widget into a state it
// cannot show.
class IniFile {
public:
    explicit IniFile(const QString &sPath);

    int readInt(const QString &sKey, int nDefault, int nMin, int nMax) const;
    // A code or choice, checked by the caller against its list.
    int readInt(const QString &sKey, int nDefault) const { return readInt(sKey, nDefault, INT_MIN, INT_MAX); }
    // A code that must be one of `codes`; any other stored value gives the default.
    template <typename Codes> int readCode(const QString &sKey, int nDefault, const Codes &codes) const
    {
        const int nCode = readInt(sKey, nDefault);
        return std::find(std::begin(codes), std::end(codes), nCode) != std::end(codes) ? nCode : nDefault;
    }
    double readDouble(const QString &sKey, double dDefault, double dMin, double dMax) const;
    bool readBool(const QString &sKey, bool isDefault) const;
    QString readText(const QString &sKey, const QString &sDefault) const;

    void write(const QString &sKey, const QVariant &value);

private:
    QSettings m_settings;
};


// Writes group/key (a key at the top level when group is empty).
void writeIniValue(const QString &path, const QString &group, const QString &key,
                   const QVariant &value);

// The text to store for a new value so that a hand-written "// comment" behind the old value
// survives with the blanks before it: "7  // note" updated to 8 gives "8  // note".
QString valueKeepingComment(const QString &oldText, const QString &newValue);
void writeIniValueKeepingComment(const QString &path, const QString &group, const QString &key,
                                 const QString &newValue);

// Where the application configuration lives: next to the executable, or, when that directory
// cannot be written or belongs to the system (under /usr), in the per-user configuration
// directory, so that settings are not lost and no system folder gains a file.
QString applicationConfigPath(const QString &applicationDir);
