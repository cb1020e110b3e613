#pragma once
// What the benchmarks of report windows share: a module context on the
// benchmark database as ADMIN (data module, scripted prompter, settings in a
// scratch folder), and the time a window takes until its rows are all loaded.
#include "BenchSupport.h"

#include "db/DatabaseConnection.h"
#include "db/MealDataModule.h"
#include "framework/ModuleContext.h"
#include "framework/ui/RecordBaseClass.h"
#include "util/ScriptedPrompter.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>

#include <functional>

namespace bench {

struct WindowBenchContext {
    QTemporaryDir home;
    ModuleContext context;
    ScriptedPrompter prompter;
    MealDataModule dm;

    WindowBenchContext(const ConnectionSettings& settings, int moduleOptions) {
        qputenv("MEAL_SETTINGS_DIR", home.path().toLocal8Bit());
        context.session.ModuleConnection = openDatabase(settings, QStringLiteral("bench"));
        context.session.CurrentUserId = QStringLiteral("ADMIN");
        context.session.programFolder = home.path();
        context.session.config.ModuleOptions = moduleOptions;
        context.MealDM = &dm;
        context.prompter = &prompter;
    }
};

// Seconds until the window's rows are all loaded, from `start`.
inline double timeLoad(TfrmRecordBaseClass& w, const std::function<void()>& start) {
    QEventLoop loop;
    QObject::connect(&w, &TfrmRecordBaseClass::queryFinished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    start();
    if (w.isLoading())
        loop.exec();
    return clock.nsecsElapsed() / 1e9;
}

} // namespace bench
