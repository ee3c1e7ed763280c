#include "sources/plugins/PluginStore.h"

#include <algorithm>

namespace {
const QString kGroup = QStringLiteral("plugins");
}

QList<PluginRecord> loadPlugins(QSettings &store)
{
    QList<PluginRecord> plugins;
    store.beginGroup(kGroup);
    for (const QString &group : store.childGroups()) {
        bool ok = false;
        const int id = group.toInt(&ok);
        if (!ok || id < 0)
            continue;
        PluginRecord p;
        p.id = id;
        p.name = store.value(group + QStringLiteral("/Name")).toString();
        p.path = store.value(group + QStringLiteral("/Path")).toString();
        plugins << p;
    }
    store.endGroup();
    std::sort(plugins.begin(), plugins.end(),
              [](const PluginRecord &a, const PluginRecord &b) { return a.id < b.id; });
    return plugins;
}

void storePlugin(QSettings &store, const PluginRecord &plugin)
{
    const QString group = kGroup + QLatin1Char('/') + QString::number(plugin.id);
    store.setValue(group + QStringLiteral("/Name"), plugin.name);
    store.setValue(group + QStringLiteral("/Path"), plugin.path);
    store.sync();
}

void removeStoredPlugin(QSettings &store, int id)
{
    store.remove(kGroup + QLatin1Char('/') + QString::number(id));
    store.sync();
}

int nextPluginId(const QList<PluginRecord> &plugins)
{
    int next = 0;
    for (const PluginRecord &p : plugins)
        next = std::max(next, p.id + 1);
    return next;
}
