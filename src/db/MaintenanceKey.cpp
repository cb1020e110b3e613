#include "db/MaintenanceKey.h"

#include "db/DbError.h"
#include "db/PasswordHash.h"
#include "db/Session.h"

#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QSqlQuery>

namespace MaintenanceKey {

QString keyFor(const QByteArray& secret, const QDate& day) {
    const QByteArray message = "meal-maintenance:" + day.toString(QStringLiteral("yyyy-MM-dd")).toLatin1();
    const QByteArray mac = QMessageAuthenticationCode::hash(message, secret, QCryptographicHash::Sha256);
    quint32 n = 0;
    for (int i = 0; i < 4; ++i)
        n = (n << 8) | quint8(mac[i]);
    return QStringLiteral("%1").arg(n % 100000000u, 8, 10, QLatin1Char('0'));
}

bool accepts(const QByteArray& secret, const QDate& day, const QString& typed) {
    if (secret.isEmpty() || !day.isValid())
        return false;
    return PasswordHash::matchesPlainText(typed.trimmed(), keyFor(secret, day));
}

QByteArray siteSecret(const Session& session) {
    QSqlQuery q(session.ModuleConnection);
    session.runner().RunQuery(q, QStringLiteral("select secret from meal_site_secret"), true);
    if (!q.next() || q.value(0).toString().trimmed().isEmpty())
        throw DbError(QStringLiteral("数据库中没有维护密钥的站点密码 (请运行 mealctl upgrade-schema)"));
    return q.value(0).toString().trimmed().toLatin1();
}

QStringList ensureSiteSecret(QSqlQuery& query, const QueryRunner& runner) {
    QStringList run;
    try {
        runner.RunQuery(query, QStringLiteral("select secret from meal_site_secret where 1=2"), true);
        query.finish();
    } catch (const DbError&) {
        const QString create = QStringLiteral("create table meal_site_secret (secret varchar(64) not null)");
        runner.RunQuery(query, create, false);
        run << create;
    }
    runner.RunQuery(query, QStringLiteral("select count(*) from meal_site_secret"), true);
    const bool present = query.next() && query.value(0).toInt() > 0;
    query.finish();
    if (!present) {
        QByteArray bytes(32, Qt::Uninitialized);
        QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()), 8);
        // The secret itself is not traced: the statement goes in with a bound value.
        const QString insert = QStringLiteral("insert into meal_site_secret (secret) values (:secret)");
        runner.RunQuery(query, insert, false,
                        {{QStringLiteral("secret"), QString::fromLatin1(bytes.toHex())}});
        run << insert;
    }
    return run;
}

} // namespace MaintenanceKey
