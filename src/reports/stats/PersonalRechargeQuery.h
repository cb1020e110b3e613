#pragma once
// Personal recharge statistics: each employee's recharges of a date range,
// totalled by kind, and the journal conditions behind one cell.
#include "framework/DepartmentFilter.h"
#include "reports/JournalQuery.h"

#include <QDate>

class Session;

struct PersonalRechargeFilter {
    QDate begin;
    QDate end;
    DptWhereInput department; // employee, name, department and rights
};

namespace PersonalRechargeQuery {
QString statement(const PersonalRechargeFilter& filter, const Session& session);
// The recharge kinds a column totals; empty for the others (every kind).
QVector<int> kindsOfField(const QString& fieldName);
// The recharges behind one row's cell.
JournalConditions drillConditions(const PersonalRechargeFilter& filter, const QString& fieldName,
                                  const QString& empId, const QString& deptNo);
} // namespace PersonalRechargeQuery
