#include "allowance/AllowanceDownload.h"

#include "db/DbError.h"
#include "db/Session.h"

#include <QDir>
#include <QSaveFile>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace allowance {

namespace {
const QString kStamp = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QVariant textOrNull(const QString& text) {
    return text.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}
} // namespace

QVector<RecipientRow> AllowanceDownload::candidates(bool downed, const QString& search) const {
    const SqlDialect dialect = m_session.dialect();
    QString sql =
        QStringLiteral("SELECT id, emp_id, empname, card_id, deposit, charge_ver, sys_id, AllowDate "
                       "FROM Mallowance WHERE downed = :downed");
    const QString typed = search.trimmed();
    if (!typed.isEmpty()) {
        const QString like = dialect.likePrefix(typed);
        sql += QStringLiteral(" and (emp_id like %1 or empname like %1)").arg(like);
    }
    sql += QStringLiteral(" ORDER BY emp_id, charge_ver");
    QSqlQuery q(m_session.ModuleConnection);
    q.setNumericalPrecisionPolicy(QSql::HighPrecision); // amounts as decimal text
    m_session.runner().RunQuery(q, sql, true, {{QStringLiteral("downed"), downed ? 1 : 0}});
    QVector<RecipientRow> rows;
    while (q.next()) {
        RecipientRow r;
        r.id = q.value(0).toLongLong();
        r.emp_id = q.value(1).toString();
        r.empname = q.value(2).toString();
        r.card_id = q.value(3).toString();
        r.deposit = Currency::fromVariant(q.value(4));
        r.charge_ver = q.value(5).toString();
        r.sys_id = q.value(6).toString();
        r.allowDate = q.value(7).toDateTime();
        rows.append(r);
    }
    return rows;
}

int AllowanceDownload::writeTasks(const TClockInfo& clock, const QVector<RecipientRow>& recipients,
                                  const QString& opUser, const std::function<void()>& between) const {
    QSqlDatabase db = m_session.ModuleConnection;
    const QueryRunner runner = m_session.runner();
    const QString isnull = m_session.dialect().nullFunction();
    const QVariantMap terminal{{QStringLiteral("clock"), clock.clock_id},
                               {QStringLiteral("sn"), clock.clock_sn}};
    if (!db.transaction())
        throw DbError(QStringLiteral("事务无法开始: ") + db.lastError().text());
    try {
        QSet<qint64> open;
        {
            QSqlQuery q(db);
            runner.RunQuery(q,
                            QStringLiteral("select aow_id from allowtasklist where %1(iscommit,0) <> 1 and "
                                           "clock_id = :clock and %1(clock_sn,'') = :sn")
                                .arg(isnull),
                            true, terminal);
            while (q.next())
                open.insert(q.value(0).toLongLong());
        }
        const QString now = QDateTime::currentDateTime().toString(kStamp);
        // Up to 100 rows a statement, each value bound under its row's suffix.
        constexpr int kRowsPerStatement = 100;
        QSqlQuery insert(db);
        QStringList tuples;
        QVariantMap values = terminal;
        values.insert(QStringLiteral("user"), opUser);
        values.insert(QStringLiteral("at"), now);
        int written = 0;
        const auto flush = [&] {
            if (tuples.isEmpty())
                return;
            runner.RunQuery(insert,
                            QStringLiteral("insert into allowtasklist (clock_sn, clock_id, sys_id, emp_id, "
                                           "card_id, empname, aow_id, charge_ver, charge_money, charge_date, "
                                           "op_user, op_date) values ") +
                                tuples.join(QLatin1Char(',')),
                            false, values);
            tuples.clear();
            values = terminal;
            values.insert(QStringLiteral("user"), opUser);
            values.insert(QStringLiteral("at"), now);
            if (between)
                between();
        };
        for (const RecipientRow& r : recipients) {
            if (open.contains(r.id))
                continue;
            open.insert(r.id);
            const QString n = QString::number(tuples.size());
            tuples << QStringLiteral(
                          "(:sn, :clock, :sys%1, :emp%1, :card%1, :name%1, :aow%1, :ver%1, :money%1, "
                          ":valid%1, :user, :at)")
                          .arg(n);
            values.insert(QStringLiteral("sys") + n, textOrNull(r.sys_id));
            values.insert(QStringLiteral("emp") + n, textOrNull(r.emp_id));
            values.insert(QStringLiteral("card") + n, textOrNull(r.card_id));
            values.insert(QStringLiteral("name") + n, textOrNull(r.empname));
            values.insert(QStringLiteral("aow") + n, r.id);
            values.insert(QStringLiteral("ver") + n, textOrNull(r.charge_ver));
            values.insert(QStringLiteral("money") + n, r.deposit.toString(4));
            values.insert(QStringLiteral("valid") + n, r.allowDate.isValid()
                                                           ? QVariant(r.allowDate.toString(kStamp))
                                                           : QVariant(QMetaType(QMetaType::QString)));
            ++written;
            if (tuples.size() == kRowsPerStatement)
                flush();
        }
        flush();
        if (!db.commit())
            throw DbError(QStringLiteral("事务无法提交: ") + db.lastError().text());
        return written;
    } catch (...) {
        db.rollback();
        throw;
    }
}

QVector<QStringList> AllowanceDownload::openTasks(const TClockInfo& clock) const {
    const QString isnull = m_session.dialect().nullFunction();
    const QString sql =
        QStringLiteral(
            " Select sys_id, emp_id, card_id, empname, charge_money, charge_ver, charge_date  from "
            "Allowtasklist where %1(iscommit,0) <> 1 and clock_id = :clock and %1(clock_sn,'') = "
            ":sn group by sys_id, emp_id, card_id, empname, charge_money, charge_ver, charge_date "
            " order by sys_id")
            .arg(isnull);
    QSqlQuery q(m_session.ModuleConnection);
    q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    m_session.runner().RunQuery(
        q, sql, true, {{QStringLiteral("clock"), clock.clock_id}, {QStringLiteral("sn"), clock.clock_sn}});
    QVector<QStringList> rows;
    while (q.next()) {
        const QDateTime valid = q.value(6).toDateTime();
        rows.append({q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                     Currency::fromVariant(q.value(4)).toString(2), q.value(5).toString(),
                     valid.isValid() ? valid.toString(kStamp) : QString()});
    }
    return rows;
}

QString downloadLogFolder(const QString& programFolder) {
    const QString folder = QDir(programFolder).filePath(QStringLiteral("LOG"));
    return QDir().mkpath(folder) ? folder : QString();
}

QString saveLogText(const QString& path, const QString& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return why;
    }
    if (!file.commit())
        return file.errorString();
    return QString();
}

} // namespace allowance
