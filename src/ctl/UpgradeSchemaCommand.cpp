#include "ctl/SqlCommands.h"

#include "db/SchemaUpgrade.h"

int runUpgradeSchemaCommand(CtlContext& ctx, const QStringList& args) {
    if (!args.isEmpty()) {
        ctx.err << "usage: mealctl upgrade-schema\n";
        return 2;
    }
    const SchemaUpgradeResult result = UpgradeSchema(ctx.session);
    for (const QString& statement : result.statementsRun + result.indexesAdded + result.siteSecretStatements)
        ctx.out << "executed: " << statement << "\n";
    ctx.out << "probes: " << result.probesRun << ", statements: " << result.statementsRun.size() << "\n";
    if (!result.indexesAdded.isEmpty())
        ctx.out << "indexes added: " << result.indexesAdded.size() << "\n";
    for (const QString& note : result.notes)
        ctx.err << "not applied: " << note << "\n";
    return 0;
}
