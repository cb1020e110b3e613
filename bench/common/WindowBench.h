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

#include <QCommandLineParser>
#include <QDate>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>

#include <algorithm>
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

// --database (default mealdemo) and --runs (default 3), which every window
// benchmark takes; --month (default 2026-11) for those that open a month.
inline void addWindowBenchOptions(QCommandLineParser& parser, bool month) {
    parser.addOption({QStringLiteral("database"), QStringLiteral("database to read"), QStringLiteral("name"),
                      QStringLiteral("mealdemo")});
    if (month)
        parser.addOption({QStringLiteral("month"), QStringLiteral("month to open"), QStringLiteral("yyyy-MM"),
                          QStringLiteral("2026-11")});
    parser.addOption({QStringLiteral("runs"), QStringLiteral("runs per figure"), QStringLiteral("n"),
                      QStringLiteral("3")});
}
inline int runsOf(const QCommandLineParser& parser) {
    return std::max(1, parser.value(QStringLiteral("runs")).toInt());
}
// The first day of --month; invalid for a text that is no month.
inline QDate monthOf(const QCommandLineParser& parser) {
    return QDate::fromString(parser.value(QStringLiteral("month")) + QStringLiteral("-01"),
                             QStringLiteral("yyyy-MM-dd"));
}

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
