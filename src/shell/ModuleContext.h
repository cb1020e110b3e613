#pragma once
// What the plug-in's windows are given: the session and the data module,
// and the host's window list they open into.
#include "db/Session.h"

class QMdiArea;
class MealDataModule;

class ModuleContext {
public:
    Session session;
    MealDataModule* MealDM = nullptr; // owned by the plug-in state; nil outside InitDll..FreeDll
    QMdiArea* screen = nullptr;       // the host's window list
};
