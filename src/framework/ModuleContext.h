#pragma once
// What the plug-in's windows are given: the session, the data module, the
// prompter through which every question and message goes, the list of open
// toasts, and the host's window list they open into.
#include "db/Session.h"
#include "util/ToastRegistry.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QMdiArea;
class QWidget;
class MealDataModule;
class Prompter;

class ModuleContext {
public:
    Session session;
    MealDataModule* MealDM = nullptr; // owned by the plug-in state; nil outside InitDll..FreeDll
    QMdiArea* screen = nullptr;       // the host's window list
    Prompter* prompter = nullptr;     // never nil while windows exist
    ToastRegistry toasts;
    // The record editor's maintenance key was accepted in this run: it is not asked again.
    bool maintenanceKeyAccepted = false;
    // The filter dialog every record window shares (re-bound to the caller).
    QPointer<QObject> filterDialog;
    // Opens the window of an action name as the host's request would (a name
    // without a window tells the operator so); unset outside the plug-in.
    std::function<QWidget*(const QString& actionName, QWidget* owner)> openWindow;
};
