#pragma once
// The plug-in's one piece of module-wide state: the session context (which
// outlives FreeDll, as the configuration values do), the data module and the
// hidden main form, and one instance variable per dispatchable window class.
#include "framework/ModuleContext.h"
#include "util/Prompter.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

#include <memory>

class QApplication;
class TFrmMealMain;

struct PluginState {
    ModuleContext context;
    std::unique_ptr<MealDataModule> MealDM;
    QPointer<TFrmMealMain> FrmMealMain;
    QApplication* application = nullptr;
    QHash<const QMetaObject*, QPointer<QWidget>> instances; // one per window class
    std::unique_ptr<Prompter> prompter;                     // the dialogs' prompter, behind context.prompter

    static PluginState& instance();
};
