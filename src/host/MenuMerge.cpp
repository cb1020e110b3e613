#include "host/MenuMerge.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace {
// Shares the plug-in's entries with the host's bar, before `before`, skipping those present.
QList<QAction*> shareActions(QWidget* host, const QList<QAction*>& entries, QAction* before) {
    QList<QAction*> added;
    const QList<QAction*> present = host->actions();
    for (QAction* entry : entries) {
        if (present.contains(entry))
            continue;
        host->insertAction(before, entry);
        added << entry;
    }
    return added;
}
} // namespace

QList<QAction*> mergeMenuBar(QMenuBar* host, QMenuBar* plugin, QAction* before) {
    if (!host || !plugin)
        return {};
    return shareActions(host, plugin->actions(), before);
}

QList<QAction*> mergeToolBar(QToolBar* host, QToolBar* plugin) {
    if (!host || !plugin)
        return {};
    return shareActions(host, plugin->actions(), nullptr);
}

namespace {
void collect(const QList<QAction*>& entries, QList<QAction*>& out, QList<const QMenu*>& seen) {
    for (QAction* a : entries) {
        if (!a || a->isSeparator())
            continue;
        if (QMenu* menu = a->menu()) {
            if (seen.contains(menu)) // a menu reachable twice, or inside itself
                continue;
            seen << menu;
            collect(menu->actions(), out, seen);
            continue;
        }
        if (!a->objectName().isEmpty() && !out.contains(a))
            out << a;
    }
}
} // namespace

QList<QAction*> namedActions(const QList<QAction*>& entries) {
    QList<QAction*> out;
    QList<const QMenu*> seen;
    collect(entries, out, seen);
    return out;
}

QStringList actionNames(const QList<QAction*>& actions) {
    QStringList names;
    for (const QAction* a : actions) {
        if (!names.contains(a->objectName()))
            names << a->objectName();
    }
    return names;
}
