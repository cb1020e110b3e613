#pragma once
// Merging the plug-in's main menu and tool bar into the host's window. The
// host shares the plug-in's actions instead of taking its widgets: the menus
// and actions stay owned by the plug-in, keep the visibility and captions the
// plug-in gives them, and leave the host's bars by themselves when FreeDll
// destroys them.
#include <QList>
#include <QString>
#include <QStringList>

class QAction;
class QMenuBar;
class QToolBar;

// Adds every top-level entry of `plugin` to `host`, before `before` (appended
// when null), in the plug-in's order; entries already present are skipped.
// Returns the entries added.
QList<QAction*> mergeMenuBar(QMenuBar* host, QMenuBar* plugin, QAction* before);
// Adds the actions of the plug-in's tool bar to the host's own tool bar.
QList<QAction*> mergeToolBar(QToolBar* host, QToolBar* plugin);
// Every action with an object name reachable from `entries` (sub-menus
// included), depth first in menu order; separators and menu titles are left out.
QList<QAction*> namedActions(const QList<QAction*>& entries);
// Their object names without repeats, in the same order.
QStringList actionNames(const QList<QAction*>& actions);
