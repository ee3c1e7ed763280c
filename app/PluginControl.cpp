#include "app/PluginControl.h"

#include "app/MainConfig.h"
#include "app/PluginsDlg.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

std::unique_ptr<QSettings> openPluginStore()
{
    return std::make_unique<QSettings>(kNativeOrganisation, kNativeApplication);
}

} // namespace

PluginControl::PluginControl(QWidget *window, std::function<PluginSubject()> subject,
                             std::function<void(const QStringList &)> showFiles)
    : m_pWindow(window), m_subject(std::move(subject)), m_showFiles(std::move(showFiles))
{
    m_pManageAction = new QAction("Добавить/Удалить...", window);
    m_pManageAction->setObjectName("m_pPluginsAction");
    connect(m_pManageAction, &QAction::triggered, this, &PluginControl::showPluginsDlg);
    m_lPlugins = loadPlugins(*openPluginStore());
    for (const PluginRecord &plugin : m_lPlugins)
        addEntry(plugin);
    connect(&m_launcher, &PluginLauncher::signalFinished, this, &PluginControl::finish);
}

void PluginControl::addToMenu(QMenu *menu)
{
    m_pMenu = menu;
    menu->addAction(m_pManageAction);
    menu->addActions(m_lActions);
}

QAction *PluginControl::addEntry(const PluginRecord &plugin)
{
    auto *action = new QAction(plugin.name, m_pWindow);
    action->setObjectName(QStringLiteral("m_pPlugin%1").arg(plugin.id));
    action->setCheckable(true);
    if (m_pMenu) {
        // After the last entry, so that the menu keeps the list's order.
        const QList<QAction *> items = m_pMenu->actions();
        const int after = items.indexOf(m_lActions.isEmpty() ? m_pManageAction : m_lActions.last());
        m_pMenu->insertAction(items.value(after + 1, nullptr), action);
    }
    connect(action, &QAction::triggered, this, [this, action] { start(action); });
    m_lActions << action;
    return action;
}

void PluginControl::showPluginsDlg()
{
    auto store = openPluginStore();
    PluginsDlg dialog(*store, m_lPlugins, m_pWindow);
    dialog.setFont(m_pWindow->font());
    dialog.exec();
    // The dialog wrote the store as it went; the menu follows its list, whatever the answer.
    QList<PluginRecord> edited = dialog.plugins();
    for (int i = m_lPlugins.size() - 1; i >= 0; --i) {
        const auto kept = std::find_if(edited.begin(), edited.end(),
                                       [&](const PluginRecord &p) { return p.id == m_lPlugins.at(i).id; });
        if (kept == edited.end()) {
            delete m_lActions.takeAt(i);
            m_lPlugins.removeAt(i);
            continue;
        }
        m_lPlugins[i].name = kept->name;
        m_lPlugins[i].path = kept->path;
        m_lActions.at(i)->setText(kept->name);
        edited.erase(kept);
    }
    for (const PluginRecord &plugin : edited) {
        m_lPlugins << plugin;
        addEntry(plugin);
    }
}

int PluginControl::endForNewRecord()
{
    const int index = m_lActions.indexOf(m_pRunning);
    const int id = index < 0 ? -1 : m_lPlugins.at(index).id;
    m_launcher.stop(); // its end restores the record's own files
    return id;
}

void PluginControl::rerunOnNewRecord(int id)
{
    m_nRerunId = id;
}

void PluginControl::blockShown()
{
    if (m_nRerunId < 0 || !m_subject().hasSamples)
        return;
    const int id = m_nRerunId;
    m_nRerunId = -1;
    // Not from inside the cycle: the start waits for the plug-in's copies.
    QTimer::singleShot(0, this, [this, id] {
        const auto plugin = std::find_if(m_lPlugins.cbegin(), m_lPlugins.cend(),
                                         [id](const PluginRecord &p) { return p.id == id; });
        if (plugin == m_lPlugins.cend())
            return;
        QAction *entry = m_lActions.at(int(plugin - m_lPlugins.cbegin()));
        if (entry->isChecked())
            return;
        entry->setChecked(true);
        start(entry);
    });
}

void PluginControl::start(QAction *entry)
{
    const int index = m_lActions.indexOf(entry);
    if (index < 0)
        return;
    if (!entry->isChecked()) {
        m_launcher.stop(); // its end restores the record's own files
        return;
    }
    // A plug-in works on a record file whose samples have been read.
    const PluginSubject subject = m_subject();
    if (!subject.isRecord || subject.files.isEmpty() || !subject.hasSamples) {
        entry->setChecked(false);
        return;
    }
    const PluginRecord &plugin = m_lPlugins.at(index);
    QString message;
    // A running plug-in is killed first; its end unchecks its entry.
    if (!m_launcher.start(plugin.name, plugin.path, subject.files, message)) {
        entry->setChecked(false);
        QMessageBox::critical(m_pWindow, QStringLiteral("ORMA"), message);
        return;
    }
    m_lPlugins[index].running = true;
    m_pRunning = entry;
    m_showFiles(m_launcher.modifiedFiles());
}

void PluginControl::finish()
{
    if (!m_pRunning)
        return;
    m_showFiles(m_subject().files);
    m_pRunning->setChecked(false);
    m_pRunning = nullptr;
    for (PluginRecord &plugin : m_lPlugins)
        plugin.running = false;
}
