#include "app/Session.h"

#include "sources/settings/IniFile.h"

#include <QFile>
#include <QFileInfo>

Session::Session(const QString &applicationConfig)
    : appConfigPath(applicationConfig), configPath(applicationConfig)
{
}

void Session::useConfigOfFolder(const QString &folder)
{
    const QString recordConfig = folder + "/ORMA6.ini";
    configPath = QFile::exists(recordConfig) ? recordConfig : appConfigPath;
}

bool Session::keepConfigBeside(const QString &recordPath)
{
    const QString target = QFileInfo(recordPath).absolutePath() + "/ORMA6.ini";
    // A copy that could not be made must not become the configuration in use: every later key
    // would go to a file that does not exist.
    if (target != configPath && !QFile::exists(target) && !QFile::copy(configPath, target))
        return false;
    configPath = target;
    return true;
}

void Session::loadStores()
{
    simulation.load(configPath);
    fileParams.load(configPath);
    other.load(configPath);
    network.load(appConfigPath);
    palette.load(configPath);
    analyser.load(configPath);
}

void Session::writeKey(const QString &group, const QString &key, const QVariant &value) const
{
    writeIniValue(group == "RecentFiles" ? appConfigPath : configPath, group, key, value);
}

void Session::addRecentFile(const QString &path)
{
    ::addRecentFile(config.recentFiles, path);
    saveRecentFiles(appConfigPath, config.recentFiles);
}
