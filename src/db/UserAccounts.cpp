#include "db/UserAccounts.h"

#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "db/PasswordHash.h"
#include "db/QueryRunner.h"
#include "db/Session.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QVector>

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

bool replacePlainTextPassword(const QSqlDatabase& db, const QString& userId, const QString& plainText,
                              const QString& hash) {
    QSqlQuery q(db);
    if (!q.prepare(
            QStringLiteral("update sys_user set Password=:hash where Userid=:userid and Password=:plain")))
        throwQueryError(q);
    q.bindValue(QStringLiteral(":hash"), hash);
    q.bindValue(QStringLiteral(":userid"), userId);
    q.bindValue(QStringLiteral(":plain"), plainText);
    if (!q.exec())
        throwQueryError(q);
    return q.numRowsAffected() == 1;
}

RehashResult rehashPlainTextPasswords(const QSqlDatabase& db, int iterations,
                                      const std::function<void(const QString&)>& progress) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select Userid, Password from sys_user order by Userid")))
        throwQueryError(q);
    QVector<QPair<QString, QString>> rows;
    while (q.next())
        rows.append({QString::fromUtf8(q.value(0).toByteArray()),
                     q.value(1).isNull() ? QString() : QString::fromUtf8(q.value(1).toByteArray())});
    q.finish();
    RehashResult result;
    for (const auto& [userId, stored] : rows) {
        if (stored.isEmpty()) {
            ++result.empty;
        } else if (PasswordHash::isHash(stored)) {
            const int iterationsStored = stored.section(QLatin1Char('$'), 1, 1).toInt();
            ++(iterationsStored >= PasswordHash::kMinimumIterations ? result.hashed : result.weak);
        } else if (replacePlainTextPassword(db, userId, stored, PasswordHash::make(stored, iterations))) {
            ++result.rehashed;
            if (progress)
                progress(userId);
        }
    }
    return result;
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
