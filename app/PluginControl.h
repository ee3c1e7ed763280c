#pragma once
// The plug-ins as the window runs them: the list registered in the native store, an entry for
// each in the menu after "Добавить/Удалить...", and the launcher. A checked entry runs its
// plug-in on the loaded record and has the window read the plug-in's copies; its end returns
// the window to the record's own files. A plug-in ended by a record load runs again on the new
// record once its samples are on screen.
#include "sources/plugins/PluginLauncher.h"
#include "sources/plugins/PluginStore.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

class QAction;
class QMenu;
class QWidget;

// What a plug-in works on, as the window has it now.
struct PluginSubject {
    QStringList files;       // the loaded record's files, main file first
    bool isRecord = false;   // the source reads record files
    bool hasSamples = false; // the block on screen has samples
};

class PluginControl : public QObject {
    Q_OBJECT
public:
    // The entries are the window's children; `showFiles` has the window read a set of record
    // files (a plug-in's copies, or the record's own).
    PluginControl(QWidget *window, std::function<PluginSubject()> subject,
                  std::function<void(const QStringList &)> showFiles);

    // Appends "Добавить/Удалить...", then the plug-ins' entries, to `menu`.
    void addToMenu(QMenu *menu);
    // Ends the running plug-in, whose copies belong to the record about to be replaced; returns
    // its id, -1 when none ran.
    int endForNewRecord();
    // Plug-in `id` (-1: none) runs again once the new record's first block with samples shows.
    void rerunOnNewRecord(int id);
    // Each block the window has shown.
    void blockShown();

    PluginLauncher &launcher() { return m_launcher; }
    // The entries, in the order of the registered plug-ins.
    const QList<QAction *> &actions() const { return m_lActions; }

private:
    QAction *addEntry(const PluginRecord &plugin);
    void showPluginsDlg();
    void start(QAction *entry);
    void finish();

    QWidget *m_pWindow;
    std::function<PluginSubject()> m_subject;
    std::function<void(const QStringList &)> m_showFiles;
    PluginLauncher m_launcher;
    QList<PluginRecord> m_lPlugins;
    QList<QAction *> m_lActions; // one for each of m_lPlugins
    QAction *m_pManageAction = nullptr;
    QMenu *m_pMenu = nullptr;
    QAction *m_pRunning = nullptr; // the last started entry, null when none
    int m_nRerunId = -1;           // to start again on the new record's first block
};
