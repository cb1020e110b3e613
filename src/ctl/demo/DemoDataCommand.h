#pragma once
// mealctl demo-data --scale S|M|L [--end-date yyyy-MM-dd] [--seed N] [--replace]
// Fills the connected database (host schema loaded) with demo data. `args`
// are the words after "demo-data"; progress goes to `err`. Returns the exit
// code: 0 done, 1 database failure, 2 wrong arguments.
#include <QSqlDatabase>
#include <QStringList>
#include <QTextStream>

int runDemoDataCommand(const QSqlDatabase& db, const QStringList& args, QTextStream& out, QTextStream& err);
