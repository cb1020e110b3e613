#include "ctl/SqlCommands.h"

#include "db/DbError.h"
#include "db/MaintenanceKey.h"

int runMaintenanceKeyCommand(CtlContext& ctx, const QStringList& args) {
    QDate day = QDate::currentDate();
    if (args.size() == 2 && args[0] == QLatin1String("--date"))
        day = QDate::fromString(args[1], QStringLiteral("yyyy-MM-dd"));
    if ((!args.isEmpty() && args.size() != 2) || !day.isValid()) {
        ctx.err << "usage: mealctl maintenance-key [--date yyyy-MM-dd]\n";
        return 2;
    }
    ctx.out << MaintenanceKey::keyFor(MaintenanceKey::siteSecret(ctx.session), day) << "\n";
    return 0;
}
