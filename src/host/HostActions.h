#pragma once
// The host's own menu entries: window names that the plug-in opens through
// ShowDllForm but that have no action on its own main menu.
#include <QString>
#include <QVector>

struct HostActionEntry {
    const char* name;    // action name passed to ShowDllForm (also the QAction's object name)
    const char* caption; // menu caption
};

const QVector<HostActionEntry>& hostOnlyActions();
