#pragma once
// A person's history ("个人明细查询") without widgets: consumptions (rs 1),
// recharges other than allowances (rs 2) and allowances (rs 3) of a period in
// one statement, each part with the same employee, card, department,
// terminal and rights conditions.
#include "framework/DepartmentFilter.h"

#include <QDateTime>
#include <QString>
#include <QVector>

class Session;

struct EmpAllRecordsFilter {
    QDateTime begin;
    QDateTime end;
    DptWhereInput department; // employee, name, department and rights (the template is not used)
    QString cardText;         // digits only; anything else is refused
    bool byTerminals = false; // a dining-room tree click: only `terminals`
    QVector<qint64> terminals;
};

namespace EmpAllRecordsQuery {
// Throws DbError with the operator's message for a card number that is not a number.
QString statement(const EmpAllRecordsFilter& filter, const Session& session);
// The kind of a row by its rs column and charged flag, for its colour.
enum class RowKind { Consumption, Credited, NotCredited };
RowKind rowKind(int rs, bool charged);
} // namespace EmpAllRecordsQuery
