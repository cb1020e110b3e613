#pragma once
// The returned-cards list: its statement from the window's period, employee,
// name and card filters and the department rights.
#include <QDateTime>
#include <QString>
#include <QStringList>

class Session;

struct ReturnCardFilter {
    QDateTime begin;
    QDateTime end;
    QString empId;
    QString empName;
    QString cardId; // digits only; anything else is refused
    bool departmentRights = false;
    QStringList userDepartments;
};

namespace ReturnCardQuery {
QString baseStatement();
// Throws DbError (with the operator's message) for a card number that is not a number.
QString statement(const ReturnCardFilter& filter, const Session& session);
} // namespace ReturnCardQuery
