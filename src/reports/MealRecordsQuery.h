#pragma once
// The consumption records list ("消费明细") without widgets: its statement
// and the conditions in their order, the consumption-type list, the
// statements behind the dining-room/terminal tree and the detail lines of
// key-value, goods and timed records. The window and mealctl both build
// their statements here.
#include "framework/DepartmentFilter.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

class Session;
class SqlDialect;

struct MealRecordsFilter {
    DptWhereInput department;       // employee, name, department and rights conditions
    QString cardText;               // digits only; anything else is refused
    bool byTerminals = false;       // a dining-room tree click: only `terminals`
    QVector<qint64> terminals;      // the terminals of the clicked node (none: nothing matches)
    QString userDinRoom;            // the user's dining room (empty: none)
    bool restrictToDinRoom = false; // company parameter cbClock is true
    int kindIndex = 8;              // position in the type list; 8 "全部"
};

namespace MealRecordsQuery {

// Positions of the type list that carry detail lines.
constexpr int KeyValueIndex = 2;
constexpr int GoodsIndex = 4;
constexpr int TimedIndex = 5;
constexpr int CorrectionsIndex = 7;
constexpr int AllIndex = 8;

QString baseStatement();
// The conditions the window adds to the base statement, in their order, each
// beginning with " And "; `clockColumn` names the terminal column (qualified
// where the statement joins tables that also have one).
QString conditions(const MealRecordsFilter& filter, const Session& session,
                   const QString& clockColumn = QStringLiteral("clock_id"));
// "order by emp_id,sys_id,card_sequ ".
QString orderClause();
// The window's statement: the base statement, the inherited conditions, then
// card, terminal, dining room, type and order. Throws DbError with the
// operator's message when the card number is not all digits.
QString statement(const MealRecordsFilter& filter, const Session& session);
// The card number checked to be digits only (trimmed); throws DbError otherwise.
QString cardNumber(const QString& text);
// " and flag = N", " and flag in (9,90,14,105) " or " and flag <>102 ".
QString kindCondition(int kindIndex);
// The items of the type list; "纠错/补单/清零" when bit 4 of ModuleOptions is on.
QStringList kindItems(int moduleOptions);

// The tree's terminal lists: every POS terminal (or those of the user's room),
// and those of one dining room.
QString allTerminalsStatement(const SqlDialect& dialect, const QString& userDinRoom, bool restrictToDinRoom);
QString roomTerminalsStatement(const SqlDialect& dialect, const QString& roomId);
// " and clock_id in (list)"; an empty list becomes -1 so that nothing matches.
QString terminalCondition(const QVector<qint64>& clockIds,
                          const QString& clockColumn = QStringLiteral("clock_id"));
// The terminal numbers a terminal-list statement returns.
QVector<qint64> readTerminals(const Session& session, const QString& sql);
// "%d(%s-%d)" with the address and port or, for a serial terminal (TCPIP_type
// not 0), "%d(COM%d-%d)" with the port and baud rate.
QString terminalCaption(int clockId, int tcpipType, const QString& address, int tcpipPort, int comPort,
                        int baudRate);

// The dining-room tree: root "所有餐厅", one node per room (data: the room id),
// one child per POS terminal of the room (data: the terminal number).
struct ClockTreeTerminal {
    qint64 clockId = 0;
    QString caption;
};
struct ClockTreeRoom {
    QString roomId;
    QString name;
    QVector<ClockTreeTerminal> terminals;
};
QVector<ClockTreeRoom> loadClockTree(const Session& session);

// The detail table of a type-list position: keydetail, vstoredetail, tmdetail, else empty.
QString detailTable(int kindIndex);
// "select s.* from <table> s, mealrecords m where ..." over the period.
QString detailStatement(const QString& table, const QDateTime& begin, const QDateTime& end);
// " clock_id = %d and Devno = %d ": the detail lines of one master row.
QString detailFilter(qint64 clockId, qint64 posSequ);

} // namespace MealRecordsQuery
