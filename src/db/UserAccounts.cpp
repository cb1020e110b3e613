#include "db/UserAccounts.h"

#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "db/QueryRunner.h"
#include "db/Session.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace {
QString column(const QSqlQuery& q, const char* name) {
    const int i = q.record().indexOf(QLatin1String(name));
    return i < 0 || q.value(i).isNull() ? QString() : QString::fromUtf8(q.value(i).toByteArray());
}
} // namespace

std::optional<UserAccount> loadUserAccount(const QSqlDatabase& db, const QString& userId) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("select * from sys_user where Userid=:userid")))
        throwQueryError(q);
    q.bindValue(QStringLiteral(":userid"), userId);
    if (!q.exec())
        throwQueryError(q);
    if (!q.next())
        return std::nullopt;
    UserAccount a;
    a.userId = column(q, "Userid");
    a.userName = column(q, "UserName");
    a.passwordHash = column(q, "Password");
    a.access = column(q, "Access");
    a.departs = column(q, "departs");
    a.dinroomId = column(q, "dinroom_id");
    return a;
}

QString ReadUserRight(const Session& session, const QString& key) {
    QSqlQuery q(session.ModuleConnection);
    session.runner().RunQuery(q, QStringLiteral("select access from sys_User where Userid=:userid"), true,
                              {{QStringLiteral("userid"), session.CurrentUserId}});
    if (!q.next())
        return QStringLiteral("0");
    bool found = false;
    const QString value = valueOfKey(QString::fromUtf8(q.value(0).toByteArray()), key, &found);
    return found ? value : QStringLiteral("0");
}

int userRightBits(const Session& session, const QString& actionName) {
    const QString text = ReadUserRight(session, QLatin1Char('_') + actionName);
    bool ok = false;
    const int bits = text.trimmed().toInt(&ok);
    if (!ok)
        throw DbError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return bits;
}
