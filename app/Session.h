#pragma once
// What the window keeps between runs, apart from its widgets: the configuration files in use,
// the window's own keys, the settings stores the dialogs edit and the loaded record set.
// GUI-free, so that the configuration round trips are testable without a window.
#include "app/MainConfig.h"
#include "sources/settings/AnalyserSettings.h"
#include "sources/record/FileParamsSettings.h"
#include "sources/settings/NetworkSettings.h"
#include "sources/settings/OtherSettings.h"
#include "sources/settings/PaletteSettings.h"
#include "sources/generator/SimulationSettings.h"

#include <QString>
#include <QStringList>
#include <QVariant>

struct Session {
    explicit Session(const QString &applicationConfig);

    QString appConfigPath; // "ORMA.ini" of the program (or of the user when that is read-only)
    QString configPath;    // the configuration in use: the program's, or a record's "ORMA6.ini"
    MainConfig config;
    // Settings in force; the dialogs edit copies of them.
    AnalyserSettings analyser;
    PaletteSettings palette;
    OtherSettings other;
    SimulationSettings simulation;
    FileParamsSettings fileParams;
    NetworkSettings network;
    QStringList loadedFiles; // the record set, the main record first

    // The configuration of a record's folder when it has one, else the program's.
    void useConfigOfFolder(const QString &folder);
    // The record's folder gets a configuration of its own ("Сохранить конфигурацию"); a file
    // already there is kept. False, with the configuration in use unchanged, when no file
    // could be made there (a folder that cannot be written).
    bool keepConfigBeside(const QString &recordPath);
    void useApplicationConfig() { configPath = appConfigPath; }
    // The six settings stores from the files in use.
    void loadStores();
    // One key, in the application configuration for the recent files, else in the one in use.
    void writeKey(const QString &group, const QString &key, const QVariant &value) const;
    // Puts the record first in the recent list and saves the list.
    void addRecentFile(const QString &path);
};
