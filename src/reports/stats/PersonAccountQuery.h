#pragma once
// The person account summary: per employee, what came in (the balance at
// the last settlement and every recharge) against what went out (the card
// balance, consumptions, refunds, clearings, supplements and meal orders),
// with the difference as a check figure; and one employee's transactions.
#include <QString>
#include <QStringList>

class DataSet;
class Session;

struct PersonAccountFilter {
    bool departed = false; // "离职": the departed employees' table
    QString empNo;         // one employee (empty: all), in every department
    QString departmentNo;  // its sub-departments included; empty: all
    bool departmentRights = false;
    QStringList userDepartments;
};

namespace PersonAccountQuery {
// Sums each record table once per employee and joins the sums.
QString statement(const PersonAccountFilter& filter, const Session& session);
// The same rows with one correlated sub-select per figure; kept to check the
// other against.
QString correlatedStatement(const PersonAccountFilter& filter, const Session& session);
// Hides the figures of features the site does not run (ModuleOptions bits
// 2 cashier terminals and discounts, 4 allowances, 8 meal orders).
void showFeatureColumns(DataSet& rows, int moduleOptions);
// Every recharge, consumption, clearing, supplement, meal order and refund of
// one employee, by card sequence.
QString detailStatement(const QString& empNo, const Session& session);
} // namespace PersonAccountQuery
