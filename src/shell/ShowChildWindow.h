#pragma once
// Opening a window by action name: reuse the open instance of exactly that
// class from the host's window list, or create it, read the user's rights for
// the action into its "Tag" property, and show it maximised.
#include "shell/WindowTable.h"

#include <QString>

class QWidget;
struct PluginState;

// Returns the window shown, or nullptr when the name opens nothing. A name
// the module knows but has no window for yet is answered with a notice.
QWidget* dispatchWindow(PluginState& state, const QString& actionName, QWidget* owner);
QWidget* ShowChildWindow(PluginState& state, const WindowRow& row, QWidget* owner);
// The notice shown for an action whose window this build does not have.
QString windowNotBuiltText(const QString& caption);
