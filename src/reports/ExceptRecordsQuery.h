#pragma once
// The exception records ("异常明细表") without widgets: records of foreign
// cards, of replaced (lost) cards after their replacement, and records made
// before their card's date, with the columns of the view vIsCheckCardRecord; and the look-up
// of an exception row in its main and duplicate tables for the repair.
#include "db/Currency.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

class Session;

struct ExceptRecordsFilter {
    QDateTime begin;
    QDateTime end;
    int typeIndex = 3; // 0 外来卡, 1 挂失卡, 2 测试卡, 3 全部
    QString empId;
    QString empName;
    QString cardText;            // digits only; anything else is refused
    bool checkLimitDate = false; // company parameter isCheckLimitDate: the card's date is validdate
};

namespace ExceptRecordsQuery {
constexpr int AllIndex = 3;
QStringList typeItems();
// One part of the union (0, 1 or 2), limited to the period. The foreign and
// the test-card parts read their cards' numbers first (one short look-up each).
QString part(int type, const ExceptRecordsFilter& filter, const Session& session);
// The list's statement; "全部" is limited again by the bound @begindate/@enddate.
// Throws DbError for a card number that is not a number.
QString statement(const ExceptRecordsFilter& filter, const Session& session);
} // namespace ExceptRecordsQuery
