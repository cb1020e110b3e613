#include "ctl/AllowanceCommand.h"
#include "ctl/CashierCommand.h"
#include "ctl/CtlContext.h"
#include "ctl/MonthlyCommand.h"
#include "ctl/ReportCommand.h"
#include "ctl/SqlCommands.h"
#include "ctl/TerminalsCommand.h"
#include "ctl/UsersCommand.h"

#if __has_include("ctl/demo/DemoDataCommand.h")
#include "ctl/demo/DemoDataCommand.h"
#define MEAL_HAVE_DEMO_DATA 1
#endif

namespace {
#ifdef MEAL_HAVE_DEMO_DATA
int runDemoData(CtlContext& ctx, const QStringList& args) {
    return runDemoDataCommand(ctx.session.ModuleConnection, args, ctx.out, ctx.err);
}
#endif

const CtlCommand kCommands[] = {
    {"upgrade-schema", "upgrade-schema", "bring the database's tables up to the module's column set",
     runUpgradeSchemaCommand, false},
    {"sql", "sql \"<statement>\"", "run one statement and print its rows as TSV", runSqlCommand, true},
    {"terminals", "terminals [read --mode 1|2 | upload] [--clock N]",
     "list allowance terminals and open tasks, read their tables back, upload", runTerminalsCommand, true},
    {"report", "report <ActionName> [options] --out FILE",
     "write a report window's rows to a file (csv, xls, ...)", runReportCommand, true},
    {"monthly", "monthly create|recompute|lock --label L [--from T1 --to T2] [--card N]",
     "compute a monthly bill, recompute one card's row, or lock the period", runMonthlyCommand, true},
    {"cashier", "cashier bill|post|delete|show --number N ...",
     "make, extend, delete or print the cashier's bills", runCashierCommand, true},
    {"settle", "settle create|regenerate|delete|show --number N ...",
     "make, rebuild, delete or print settlement vouchers", runSettleCommand, true},
    {"maintenance-key", "maintenance-key [--date yyyy-MM-dd]",
     "print the day's key that opens the record editor (give it to the operator for that day)",
     runMaintenanceKeyCommand, false},
    {"allowance",
     "allowance import FILE | issue ... | list ... | upload [--clock N] | read [--mode 1|2] [--clock N]",
     "import allowances from a file, issue them to people, list the registered ones, send open tasks to the "
     "terminals, read back what they hold; non-zero exit when a row is refused or a terminal fails",
     runAllowanceCommand, true},
    {"users", "users rehash", "replace passwords still stored as plain text by their salted hash",
     runUsersCommand, false},
#ifdef MEAL_HAVE_DEMO_DATA
    {"demo-data", "demo-data --scale S|M|L [--end-date yyyy-MM-dd] [--seed N] [--replace]",
     "fill an empty database with deterministic demo data", runDemoData, false},
#endif
};
} // namespace

const CtlCommand* ctlCommands(int* count) {
    *count = int(sizeof(kCommands) / sizeof(kCommands[0]));
    return kCommands;
}
