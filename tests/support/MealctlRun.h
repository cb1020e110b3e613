#pragma once
// Runs mealctl as a user would: its own process and program folder, no display (MEALCTL_FILE is its path).
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct MealctlRun {
    int status = -1;
    QString out;
    QString err;
};

inline MealctlRun runMealctl(const QString& programFile, const QString& home, const QStringList& args,
                             int timeoutMs = 120000) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MEAL_HOME"), home);
    env.remove(QStringLiteral("DISPLAY"));
    p.setProcessEnvironment(env);
    p.start(programFile, args);
    p.waitForFinished(timeoutMs);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}
