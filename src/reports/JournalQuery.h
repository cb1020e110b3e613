#pragma once
// The transaction journal ("流水明细记录") without widgets: the statements of
// its five pages from typed conditions. The summaries drill into the journal
// by filling a JournalConditions and handing it to the window (or to mealctl).
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVector>

class Session;

enum class JournalPage { Consumption, Recharge, CardCost, Refund, Combined };

struct JournalConditions {
    // The period; invalid bounds: no period condition.
    QDateTime begin;
    QDateTime end;
    QString empId;              // one employee (empty: all)
    QString operatorId;         // opcard_id, op_user on the card-cost page (empty: all)
    bool operatorBlank = false; // only rows without an operator (blank or null)
    // Recharge Kind (recharge and combined pages) or card-cost kind (card-cost page).
    QVector<int> kinds;
    bool kindsExcluded = false; // " and Kind not in (...)"
    // Card-cost rows by direction: deposits taken in, deposits paid back.
    enum class CostDirection { Any, Income, Payout } cost = CostDirection::Any;
    // Consumption flags (consumption page).
    QVector<int> flags;
    bool flagsExcluded = false;
    // A meal period's time of day (consumption page); both valid: applied.
    QTime periodFrom;
    QTime periodTo;
    QString dinRoom; // the terminals of one dining room (consumption page)
    // One summary row's records: a card and a department (every page), meal
    // periods (Kind) and terminals (consumption page); empty: no condition.
    QVector<int> mealPeriods;
    bool byCard = false;
    QString cardId; // with byCard: digits only; empty: records without a card
    bool byDepartment = false;
    QString deptNo; // with byDepartment; a null text: records without a department
    QVector<qint64> terminals;
    bool departmentRights = false;
    QStringList userDepartments;
};

namespace JournalQuery {
// The query a page is shown through: 0 consumption, 1 recharge (also the
// refund and combined pages), 2 card cost.
int queryChoice(JournalPage page);
// The page's statement; typed texts go through the dialect's quoting routine.
QString statement(JournalPage page, const JournalConditions& c, const Session& session);
// The page of a report option ("meal", "charge", "cost", "refund", "all"); throws DbError.
JournalPage pageOf(const QString& name);
} // namespace JournalQuery
