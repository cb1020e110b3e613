#pragma once
// The recharge backups ("充值异常记录") without widgets: the list's statement
// and "恢复", which moves one backed-up recharge into the recharge records.
#include "db/Currency.h"
#include "framework/DepartmentFilter.h"

#include <QDateTime>
#include <QString>

class Session;

struct FullBakFilter {
    DptWhereInput department; // employee, name, department and rights (the template is not used)
    QString cardText;         // digits only; anything else is refused
};

// The backup row to restore, as the list shows it.
struct FullBakKey {
    QString empId;
    qint64 cardId = 0;
    Currency chargeMoney;
    Currency cardBalance;
    QDateTime opDate;
};

namespace FullBakQuery {
QString baseStatement();
// Throws DbError for a card number that is not a number.
QString statement(const FullBakFilter& filter, const Session& session);
// Moves the backup row into MChargeRecords in one transaction. Throws
// DbError (nothing changed) when no backup row or more than one matches, or
// when a step fails.
void restore(const Session& session, const FullBakKey& key);
} // namespace FullBakQuery
