#pragma once
// Meal-period statistics: the counts and amounts of consumptions per meal
// period for a date range, grouped by employee, department or terminal. A
// record counts in the column of its period (Kind) when that period is
// valid; the totals take periods 0 to 8 only.
#include "reports/JournalQuery.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>

class DataSet;
class Session;

enum class MealLevelGrouping { Employee, Department, Terminal };

struct MealLevelFilter {
    MealLevelGrouping grouping = MealLevelGrouping::Employee;
    QDate begin;
    QDate end;
    int typeIndex = 4; // position in the type list; 4 (or beyond) "全部"
    QString dinRoom;   // the operator's dining room when it binds them
    // The search boxes (the search button): employee number, department code
    // or terminal numbers "N[,N...]"; employee name, department name or terminal name.
    bool fromSearch = false;
    QString keyText;
    QString nameText;
    // Otherwise the tree: a department (its sub-departments included) or a terminal list.
    bool departmentSelected = false;
    QString departmentNo;
    bool terminalsSelected = false;
    QVector<qint64> terminals; // empty: no terminal matches
    bool departmentRights = false;
    QStringList userDepartments;
};

struct MealPeriod {
    int id = 0;
    QString name;
    bool valid = false;
};

namespace MealLevelQuery {
constexpr int AllTypes = 4;
// "金额消费", "计次消费", "记帐消费", "纠错/补单/清零" ("纠错/补单" without the
// allowance functions), "全部".
QStringList typeItems(bool allowanceFunctions);
// The consumption flags of a type-list position; `excluded`: all but these.
QVector<int> typeFlags(int typeIndex, bool* excluded);
// Terminal numbers typed as "N[,N...]"; throws DbError for anything else.
QVector<qint64> terminalList(const QString& typed);

// The window's statement. The records are counted and summed per group and
// period before the period columns are spread, and the employee grouping
// names each card's sums after summing them: the same rows as the record
// statement below, read in a fraction of the time.
QString statement(const MealLevelFilter& filter, const Session& session);
// The same rows with one CASE per column on every record (the employee
// grouping joins every record to the employee list first); kept to check the
// statement above and to measure it.
QString recordStatement(const MealLevelFilter& filter, const Session& session);

// Field names of a period's columns: 1..8 "One".."Eight", 0 "Nine".
QString countField(int period);
QString moneyField(int period);
// The period a column counts: 0..8, or -1 for the totals and other columns.
int periodOfField(const QString& fieldName);
// Period 0 "餐外消费" and the rows of Dinlev, by number.
QVector<MealPeriod> readPeriods(const Session& session);
// Titles the period columns "name|次数" and "name|金额" (counts shown "0");
// the columns of a period that is not valid are hidden and get Tag 10.
void titleColumns(DataSet& rows, const QVector<MealPeriod>& periods);

// The journal conditions of a cell: the row's key (card and employee,
// department, or terminal), the column's period (-1: every valid period).
struct DrillKey {
    QString empId;
    QString cardId;
    bool hasDept = false;
    QString deptNo;
    qint64 clockId = -1;
};
JournalConditions drillConditions(const MealLevelFilter& filter, int period,
                                  const QVector<MealPeriod>& periods, const DrillKey& key);
} // namespace MealLevelQuery
