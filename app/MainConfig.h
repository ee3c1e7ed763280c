#pragma once
// The main window's own keys in the three stores: the application configuration (recent files,
// source kind), the configuration in use (layout, modes, panel texts) and the native store
// (tool-bar state and font). Values read from files are clamped to what the window can show.
#include <QByteArray>
#include <QFont>
#include <QString>
#include <QStringList>

#include <optional>

extern const char *const kNativeOrganisation;
extern const char *const kNativeApplication;
constexpr int kMaxRecentFiles = 10;

struct MainConfig {
    // native store
    QByteArray toolBarState;
    QFont font{"Verdana", 10};
    // application configuration
    QStringList recentFiles;       // newest first
    // configuration in use
    QStringList additionalFiles;   // "AddRemove" list, in order
    int windowWidth = 600;
    int windowHeight = 770;
    int windowPosX = 100;
    int windowPosY = 100;
    std::optional<int> windowState;
    int mode = 0;                  // 0 until read or set by the command line
    int panelsView = 2;
    int scrollPercent = 100;
    int xWidth = 7;
    bool isAccumulation = false;
    QString dimension = "dB";
    QString harmonic = "Гармоника";
    bool onFiltration = false;
    bool singleStart = false;
    // written only
    bool isInterpolation = false;
    unsigned fftSize = 1024;
    bool isMaximized = false;
};

// Reads every key into config; "Mode" only when config.mode is still 0.
void readMainConfig(const QString &applicationPath, const QString &inUsePath, MainConfig &config);
// Saves every key, in the fixed order of the three stores.
void saveMainConfig(const QString &applicationPath, const QString &inUsePath,
                    const MainConfig &config);
// The "AddRemove" group alone (after an add or remove).
void saveAdditionalFiles(const QString &inUsePath, const QStringList &additionalFiles);
// The recent-files group alone (after every change of the list).
void saveRecentFiles(const QString &applicationPath, const QStringList &recentFiles);

// Puts path first; an entry already in the list moves, the oldest drops past kMaxRecentFiles.
void addRecentFile(QStringList &recentFiles, const QString &path);
