#include "app/MainConfig.h"

#include "sources/settings/IniFile.h"

#include <algorithm>

const char *const kNativeOrganisation = "ORMA";
const char *const kNativeApplication = "ORMA6";

void addRecentFile(QStringList &recentFiles, const QString &path)
{
    recentFiles.removeAll(path);
    recentFiles.prepend(path);
    while (recentFiles.size() > kMaxRecentFiles)
        recentFiles.removeLast();
}

void readMainConfig(const QString &applicationPath, const QString &inUsePath, MainConfig &c)
{
    c.font = QFont("Verdana", 10);
    {
        QSettings native(kNativeOrganisation, kNativeApplication);
        c.toolBarState = native.value("windowState").toByteArray();
        const QVariant font = native.value("Font");
        if (font.isValid() && !font.toString().isEmpty())
            c.font = font.value<QFont>();
    }
    {
        auto app = openIni(applicationPath);
        c.recentFiles.clear();
        for (int i = 0; i < kMaxRecentFiles; ++i) {
            const QString file = app->value(QString("RecentFiles/RecentFile%1").arg(i)).toString();
            if (!file.isEmpty() && !c.recentFiles.contains(file))
                c.recentFiles.append(file);
        }
    }
    IniFile inUse(inUsePath);
    auto ini = openIni(inUsePath);
    for (int i = 1;; ++i) {
        const QString file = ini->value(QString("AddRemove/AddRemove%1").arg(i)).toString();
        if (file.isEmpty())
            break;
        c.additionalFiles.append(file);
    }
    c.windowWidth = inUse.readInt("WindowWidth", 600, 200, 16384);
    c.windowHeight = inUse.readInt("WindowHeight", 770, 150, 16384);
    c.windowPosX = inUse.readInt("WindowPosX", 100, -16384, 16384);
    c.windowPosY = inUse.readInt("WindowPosY", 100, -16384, 16384);
    const QString state = ini->value("WindowState").toString();
    bool ok = false;
    const int stateValue = state.toInt(&ok);
    c.windowState = !state.isEmpty() && ok ? std::optional<int>(stateValue) : std::nullopt;
    if (c.mode == 0) {
        const int mode = inUse.readInt("Mode", 2, 0, 4);
        c.mode = mode >= 1 ? mode : 2;
    }
    c.panelsView = inUse.readInt("PanelsView", 2, 0, 2);
    c.scrollPercent = inUse.readInt("ScrollPercent", 100, 1, 100);
    c.xWidth = inUse.readInt("OscPanel/XWidth", 7, -1, 1000);
    if (c.xWidth < 0)
        c.xWidth = 7;
    c.isAccumulation = ini->value("IsAccumulation", 0).toInt() != 0;
    c.dimension = ini->value("SpectrPanel/Dimension", "dB").toString();
    c.harmonic = ini->value("SpectrPanel/Harmonic", "Гармоника").toString();
    c.onFiltration = ini->value("Filtration/OnFiltration", 0).toInt() != 0;
    c.singleStart = ini->value("SingleStart", false).toBool();
}

void saveRecentFiles(const QString &applicationPath, const QStringList &recentFiles)
{
    auto app = openIni(applicationPath);
    for (int i = 0; i < recentFiles.size() && i < kMaxRecentFiles; ++i)
        app->setValue(QString("RecentFiles/RecentFile%1").arg(i), recentFiles.at(i));
}

void saveAdditionalFiles(const QString &inUsePath, const QStringList &additionalFiles)
{
    auto ini = openIni(inUsePath);
    int i = 1;
    for (; i <= additionalFiles.size(); ++i)
        ini->setValue(QString("AddRemove/AddRemove%1").arg(i), additionalFiles.at(i - 1));
    ini->setValue(QString("AddRemove/AddRemove%1").arg(i), QString());
}

void saveMainConfig(const QString &applicationPath, const QString &inUsePath,
                    const MainConfig &c)
{
    {
        QSettings native(kNativeOrganisation, kNativeApplication);
        native.setValue("windowState", c.toolBarState);
        native.setValue("Font", c.font);
    }
    saveRecentFiles(applicationPath, c.recentFiles);
    openIni(applicationPath)->setValue("Mode", c.mode);
    saveAdditionalFiles(inUsePath, c.additionalFiles);
    {
        auto ini = openIni(inUsePath);
        if (!c.isMaximized) {
            ini->setValue("WindowWidth", QString::number(c.windowWidth));
            ini->setValue("WindowHeight", QString::number(c.windowHeight));
            ini->setValue("WindowPosX", QString::number(c.windowPosX));
            ini->setValue("WindowPosY", QString::number(c.windowPosY));
        }
        if (c.windowState)
            ini->setValue("WindowState", QString::number(*c.windowState));
        ini->setValue("PanelsView", c.panelsView);
        ini->setValue("ScrollPercent", c.scrollPercent);
    }
    // Hand-written comments behind these two survive a save.
    writeIniValueKeepingComment(inUsePath, "OscPanel", "XWidth",
                                QString::number(c.xWidth < 0 ? 7 : c.xWidth));
    writeIniValueKeepingComment(inUsePath, "OscPanel", "IsInterpolation",
                                QString::number(c.isInterpolation ? 1 : 0));
    auto ini = openIni(inUsePath);
    ini->setValue("IsAccumulation", c.isAccumulation ? 1 : 0);
    ini->setValue("SpectrPanel/Dimension", c.dimension);
    ini->setValue("SpectrPanel/Harmonic", c.harmonic);
    ini->setValue("SpectrPanel/FftSize", QString::number(c.fftSize));
    ini->setValue("Filtration/OnFiltration", c.onFiltration ? 1 : 0);
    ini->setValue("SingleStart", c.singleStart);
}
