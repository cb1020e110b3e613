#pragma once
// What every mealctl command works with: the session (connected, acting as the
// --user account) and the two output streams.
#include "db/Session.h"

#include <QStringList>
#include <QTextStream>

struct CtlContext {
    Session& session;
    QTextStream& out;
    QTextStream& err;
};

struct CtlCommand {
    const char* name;
    const char* usage;
    const char* summary;
    int (*run)(CtlContext& ctx, const QStringList& args);
    bool needsSession; // false: the command opens the database itself (no user look-up)
};

// The value after `name` ("--number") among a command's arguments; empty without it.
inline QString ctlOption(const QStringList& args, const QString& name) {
    const int i = int(args.indexOf(name));
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : QString();
}

// The command table (Commands.cpp); a later command adds one row there.
const CtlCommand* ctlCommands(int* count);
