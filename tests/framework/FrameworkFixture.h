#pragma once
// A module context over a fresh test database with a scripted prompter, for record windows offscreen.
#include "TestDatabase.h"
#include "TestFiles.h"
#include "WindowWait.h"
#include "db/MealDataModule.h"
#include "framework/ModuleContext.h"
#include "util/ScriptedPrompter.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// Triggers a window action, or the window's query button, and waits for the rows it loads.
template <typename W, typename A> void runAction(W& w, A action) {
    w.action(action)->trigger();
    WAIT_LOADED(w);
}
template <typename W> void requery(W& w) {
    w.allButton()->click();
    WAIT_LOADED(w);
}

struct FrameworkFixture {
    QTemporaryDir home;
    std::unique_ptr<TestDatabase> db;
    ScriptedPrompter prompter;
    MealDataModule dm;
    std::unique_ptr<ModuleContext> context;

    void start(const QString& suite, const QString& userId) {
        db = std::make_unique<TestDatabase>(suite);
        // Grid layouts go to the temporary folder, never to the real home.
        qputenv("MEAL_SETTINGS_DIR", home.path().toLocal8Bit());
        context = std::make_unique<ModuleContext>();
        bindSession(context->session, *db, home.path());
        context->session.CurrentUserId = userId;
        context->session.CurrentUserName = QStringLiteral("测试员");
        context->MealDM = &dm;
        context->prompter = &prompter;
        prompter.setUnexpectedHandler([](const QString& why) { QFAIL(qPrintable(why)); });
    }
    void stop() {
        context.reset();
        db.reset();
    }
    // A window of type W with rights `tag`, activated and its first rows loaded.
    template <typename W> std::unique_ptr<W> open(int tag) {
        auto w = std::make_unique<W>(*context);
        w->setTag(tag);
        w->activate();
        WAIT_LOADED(*w);
        return w;
    }
    int count(const QString& sql) const { return db->scalar(sql).toInt(); }
    // Rows of `table` meeting `where`; lines of the operation log like `pattern`.
    int rows(const QString& table, const QString& where = QStringLiteral("1=1")) const {
        return count(QStringLiteral("select count(*) from %1 where %2").arg(table, where));
    }
    int logLines(const QString& pattern) const {
        return rows(QStringLiteral("OpLog"), QStringLiteral("BeWrite like '%1'").arg(pattern));
    }
};
