#include "ctl/AllowanceCommand.h"

#include "allowance/AllowanceImport.h"
#include "ctl/TerminalsCommand.h"

#include <QElapsedTimer>

namespace {
int usage(CtlContext& ctx) {
    ctx.err << "usage: mealctl allowance import FILE\n"
               "       mealctl allowance upload [--clock N]\n"
               "       mealctl allowance read [--mode 1|2] [--clock N]\n";
    return 2;
}
} // namespace

int runAllowanceCommand(CtlContext& ctx, const QStringList& args) {
    // Upload and read-back are the terminal commands; reading defaults to the
    // allowances still waiting in the terminals, as the read-back window does.
    if (!args.isEmpty() && args[0] == QLatin1String("upload"))
        return runTerminalsCommand(ctx, args);
    if (!args.isEmpty() && args[0] == QLatin1String("read"))
        return runTerminalsCommand(ctx,
                                   args.contains(QLatin1String("--mode"))
                                       ? args
                                       : args + QStringList{QStringLiteral("--mode"), QStringLiteral("2")});
    if (args.size() != 2 || args[0] != QLatin1String("import"))
        return usage(ctx);
    AllowanceImportEvents events;
    events.memoLine = [&](const QString& line) {
        ctx.out << line << "\n";
        ctx.out.flush();
    };
    events.message = [&](const QString& text) {
        ctx.err << text.trimmed() << "\n";
        ctx.err.flush();
    };
    QElapsedTimer shown;
    shown.start();
    events.progress = [&](int row, int total) {
        if (shown.elapsed() < 1000 && row != total)
            return;
        shown.restart();
        ctx.err << row << "/" << total << "\n";
        ctx.err.flush();
    };
    const QueryRunner runner = ctx.session.runner();
    AllowanceImport import(ctx.session.ModuleConnection, runner,
                           AllowanceImportSettings::fromSession(ctx.session));
    const AllowanceImportResult r = import.run(args[1], events);
    if (!r.ran || !r.failure.isEmpty())
        return 1;
    ctx.err << r.imported << " imported, " << r.refused << " refused\n";
    return r.refused > 0 ? 1 : 0;
}
