#pragma once
// The bill window's statements and rules without widgets: the bill list, a
// bill's rows (filtered, or as one totals row), the department summary, a
// card's history, deleting a bill against the lock date, and closing the books
// (the period lock with its checks). mealctl uses the same class.
#include "monthly/MonthlyStatements.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

class Session;

struct MonthlyRowFilter {
    QString empno;
    QString cardId; // digits only; anything else is refused
    QString empName;
};

class MonthlyBillBook {
public:
    explicit MonthlyBillBook(Session& session) : m_session(session) {}

    // The bill list; `where` from findWhere, or empty.
    static QString listStatement(const QString& where = QString());
    static QString findWhere(const QDateTime& from, const QDateTime& to);
    QString rowsStatement(const QString& monthDes, const MonthlyRowFilter& filter = {}) const;
    QString orderedRowsStatement(const QString& monthDes) const;
    static QString emptyRowsStatement();
    QString totalsStatement(const QString& monthDes, const MonthlyRowFilter& filter = {}) const;
    QString departmentStatement(const QString& monthDes) const;
    // A bill's row count and the count of its rows that do not balance.
    QString summaryStatement(const QString& monthDes) const;
    // Every charge and meal record of the card, in sequence order.
    static QString historyStatement(qint32 cardId);

    // A bill under this label exists.
    bool labelExists(const QString& monthDes) const;
    // Empties the bill before it is built again (the delete of deleteBill).
    void clearBill(const QString& monthDes) const;
    void deleteBill(const QString& monthDes) const;
    // Puts a recomputed row in place of the bill's row with the same key.
    void storeRow(const TMonthlyRec& rec) const;

    // The lock date, when the company keeps one (dsSysParamIsBillLockDate).
    bool lockDateEnabled() const;
    // The lock date as stored in pos_lockBillDate.
    std::optional<QDateTime> storedLockDate() const;
    // The lock date the checks go by: the stored one when the company keeps
    // one (the switch above), or the session's own lock when that is later.
    std::optional<QDateTime> lockDate() const;
    // A bill ending on or before the lock date is closed and cannot be deleted.
    static bool deleteAllowed(const QDateTime& billEnd, const std::optional<QDateTime>& lockDate);

    // The period rules of a lock: an error text, or empty when they pass.
    static QString lockPeriodError(const QDateTime& start, const QDateTime& end, const QDateTime& now);
    // The confirmation asked before the lock.
    static QString lockQuestion(const QDateTime& end);
    // The database checks of a lock: an error text, or empty when they pass.
    QString lockContentError(const QString& monthDes, const MonthlyPeriod& period) const;
    // Stores the lock; once it is committed the session's lock date is
    // raised to the end (a failed write leaves it as it was).
    void writeLock(const QDateTime& end, const QDateTime& now);

private:
    // Runs the statements, several in one transaction.
    void execute(const QStringList& statements) const;
    QString conditions(const MonthlyRowFilter& filter) const;

    Session& m_session;
};
