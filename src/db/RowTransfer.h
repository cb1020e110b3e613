#pragma once
// Moves one row from a table to another in one transaction: the row is found
// by bound conditions, copied, the copy checked, and the original deleted.
// A failure at any step rolls everything back, so the row is always in
// exactly one of the two tables; conditions that match no row or more than
// one row are refused before anything is written.
#include "db/Currency.h"

#include <QDateTime>
#include <QString>
#include <QVector>

class Session;

struct RowCondition {
    enum class Kind { Text, Integer, Money, DateTime };
    QString column;
    Kind kind = Kind::Text;
    QString text;
    qint64 integer = 0;
    Currency money;
    QDateTime dateTime;

    static RowCondition textIs(const QString& column, const QString& value);
    static RowCondition integerIs(const QString& column, qint64 value);
    static RowCondition moneyIs(const QString& column, Currency value);
    static RowCondition dateTimeIs(const QString& column, const QDateTime& value);
};

struct RowTransferRequest {
    QString sourceTable;
    QString targetTable;
    // The target's and the source's column lists; both empty: every column
    // ("insert into target select * from source", the tables share their layout).
    QString targetColumns;
    QString sourceColumns;
    QVector<RowCondition> conditions;
    // Refuse when the target already holds a row that meets the conditions
    // (a restore that would book the same recharge twice).
    bool refuseIfInTarget = false;
};

namespace RowTransfer {
// " where a = :c0 and b = cast(:c1 as decimal(14,4)) ..." and its values:
// money is compared as a decimal, date-times as "yyyy-MM-dd HH:mm:ss" texts,
// a null text (not an empty one) as "is null".
QString whereClause(const QVector<RowCondition>& conditions, QVariantMap* bindings);
// Rows of `table` that meet the conditions.
int count(const Session& session, const QString& table, const QVector<RowCondition>& conditions);
// Moves the one matching row. Throws DbError with the operator's message
// when no row or more than one row matches, or when a step fails; then
// nothing has changed.
void move(const Session& session, const RowTransferRequest& request);
} // namespace RowTransfer
