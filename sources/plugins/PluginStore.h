#pragma once
// The plug-ins the user has registered: id, menu name and program, kept in the native
// settings store under "plugins/<id>/Name" and ".../Path".
#include <QList>
#include <QSettings>
#include <QString>

struct PluginRecord {
    int id = 0;
    QString name;
    QString path;
    bool running = false;
};

// The stored plug-ins in numeric order of their ids; groups that are not a number are skipped.
QList<PluginRecord> loadPlugins(QSettings &store);
void storePlugin(QSettings &store, const PluginRecord &plugin);
void removeStoredPlugin(QSettings &store, int id);
// The largest id + 1 (the store lists "0, 1, 10, 2": the order of the text is not the order of
// the numbers), 0 for none.
int nextPluginId(const QList<PluginRecord> &plugins);
