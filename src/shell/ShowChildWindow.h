#pragma once
// Opening a window by action name: reuse the open instance of exactly that
// class from the host's window list, or create it, read the user's rights for
// the action into its "Tag" property, and show it maximised.
#include "shell/WindowDispatch.h"

#include <QString>

class QWidget;
struct PluginState;

// Returns the window shown, or nullptr when the name opens nothing.
QWidget* dispatchWindow(PluginState& state, const QString& actionName, QWidget* owner);
QWidget* ShowChildWindow(PluginState& state, const DispatchRow& row, QWidget* owner);
