#include "ctl/UsersCommand.h"

#include "db/PasswordHash.h"
#include "db/UserAccounts.h"

int runUsersCommand(CtlContext& ctx, const QStringList& args) {
    if (args != QStringList{QStringLiteral("rehash")}) {
        ctx.err << "usage: mealctl users rehash\n";
        return 2;
    }
    const RehashResult r = rehashPlainTextPasswords(ctx.session.ModuleConnection, PasswordHash::kIterations,
                                                    [&](const QString& id) {
                                                        ctx.err << "rehashed " << id << "\n";
                                                        ctx.err.flush();
                                                    });
    ctx.out << "users: " << r.rehashed << " rehashed, " << r.hashed << " already hashed, " << r.weak
            << " with a hash too weak to log in, " << r.empty << " without a password\n";
    return 0;
}
