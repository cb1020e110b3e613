#include "db/RowTransfer.h"

#include "db/DbError.h"
#include "db/Session.h"

#include <QSqlError>
#include <QSqlQuery>

RowCondition RowCondition::textIs(const QString& column, const QString& value) {
    RowCondition c;
    c.column = column;
    c.kind = Kind::Text;
    c.text = value;
    return c;
}

RowCondition RowCondition::integerIs(const QString& column, qint64 value) {
    RowCondition c;
    c.column = column;
    c.kind = Kind::Integer;
    c.integer = value;
    return c;
}

RowCondition RowCondition::moneyIs(const QString& column, Currency value) {
    RowCondition c;
    c.column = column;
    c.kind = Kind::Money;
    c.money = value;
    return c;
}

RowCondition RowCondition::dateTimeIs(const QString& column, const QDateTime& value) {
    RowCondition c;
    c.column = column;
    c.kind = Kind::DateTime;
    c.dateTime = value;
    return c;
}

namespace RowTransfer {

QString whereClause(const QVector<RowCondition>& conditions, QVariantMap* bindings) {
    QStringList parts;
    for (int i = 0; i < conditions.size(); ++i) {
        const RowCondition& c = conditions[i];
        const QString name = QStringLiteral("c%1").arg(i);
        switch (c.kind) {
        case RowCondition::Kind::Text:
            // A record without an employee is found by its missing value.
            if (c.text.isNull()) {
                parts << QStringLiteral("%1 is null").arg(c.column);
                break;
            }
            parts << QStringLiteral("%1 = :%2").arg(c.column, name);
            bindings->insert(name, c.text);
            break;
        case RowCondition::Kind::Integer:
            parts << QStringLiteral("%1 = :%2").arg(c.column, name);
            bindings->insert(name, c.integer);
            break;
        case RowCondition::Kind::Money:
            // A decimal text compared as a decimal: never through a binary fraction.
            parts << QStringLiteral("%1 = cast(:%2 as decimal(14,4))").arg(c.column, name);
            bindings->insert(name, c.money.toString(4));
            break;
        case RowCondition::Kind::DateTime:
            parts << QStringLiteral("%1 = :%2").arg(c.column, name);
            bindings->insert(name, c.dateTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
            break;
        }
    }
    if (parts.isEmpty())
        throw DbError(QStringLiteral("没有指定记录的条件"));
    return QStringLiteral(" where ") + parts.join(QStringLiteral(" and "));
}

namespace {

int countOn(QSqlQuery& q, const Session& session, const QString& table,
            const QVector<RowCondition>& conditions) {
    QVariantMap bindings;
    const QString where = whereClause(conditions, &bindings);
    session.runner().RunQuery(q, QStringLiteral("select count(*) from ") + table + where, true, bindings);
    const int n = q.next() ? q.value(0).toInt() : 0;
    q.finish();
    return n;
}

int execute(QSqlQuery& q, const Session& session, const QString& sql, const QVariantMap& bindings) {
    session.runner().RunQuery(q, sql, true, bindings);
    const int affected = q.numRowsAffected();
    q.finish();
    return affected;
}

} // namespace

int count(const Session& session, const QString& table, const QVector<RowCondition>& conditions) {
    QSqlQuery q(session.ModuleConnection);
    return countOn(q, session, table, conditions);
}

void move(const Session& session, const RowTransferRequest& r) {
    QSqlDatabase db = session.ModuleConnection;
    if (!db.transaction())
        throw DbError(QStringLiteral("无法开始事务: %1").arg(db.lastError().text()));
    try {
        QSqlQuery q(db);
        const int found = countOn(q, session, r.sourceTable, r.conditions);
        if (found == 0)
            throw DbError(QStringLiteral("%1 中没有符合条件的记录, 未做任何修改").arg(r.sourceTable));
        if (found > 1)
            throw DbError(QStringLiteral("%1 中有 %2 条记录符合条件, 无法确定是哪一条, 未做任何修改")
                              .arg(r.sourceTable, QString::number(found)));
        const int before = countOn(q, session, r.targetTable, r.conditions);
        if (before > 0 && r.refuseIfInTarget)
            throw DbError(QStringLiteral("%1 中已有这条记录, 未做任何修改").arg(r.targetTable));
        QVariantMap bindings;
        const QString where = whereClause(r.conditions, &bindings);
        const QString insert =
            r.targetColumns.isEmpty()
                ? QStringLiteral("insert into %1 select * from %2").arg(r.targetTable, r.sourceTable) + where
                : QStringLiteral("insert into %1(%2) select %3 from %4")
                          .arg(r.targetTable, r.targetColumns, r.sourceColumns, r.sourceTable) +
                      where;
        if (execute(q, session, insert, bindings) != 1)
            throw DbError(QStringLiteral("复制到 %1 失败, 未做任何修改").arg(r.targetTable));
        // The copy is there before the original goes.
        if (countOn(q, session, r.targetTable, r.conditions) != before + 1)
            throw DbError(QStringLiteral("%1 中找不到复制的记录, 未做任何修改").arg(r.targetTable));
        if (execute(q, session, QStringLiteral("delete from ") + r.sourceTable + where, bindings) != 1)
            throw DbError(QStringLiteral("从 %1 删除失败, 未做任何修改").arg(r.sourceTable));
        if (!db.commit())
            throw DbError(QStringLiteral("提交失败: %1").arg(db.lastError().text()));
    } catch (const DbError&) {
        db.rollback();
        throw;
    }
}

} // namespace RowTransfer
