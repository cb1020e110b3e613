#pragma once
// The allowance terminals of table `clocks` and the open tasks each still has
// in `allowtasklist`, as the download window and mealctl list them.
#include "allowance/ClockInfo.h"

#include <QHash>
#include <QString>
#include <QVector>

class Session;

namespace allowance {

struct PendingTerminal {
    TClockInfo clock; // pending is 1 when open tasks exist
    int openTasks = 0;
};

class AllowanceTerminals {
public:
    explicit AllowanceTerminals(const Session& session) : m_session(session) {}

    // "SELECT * FROM Clocks WHERE Clock_type not in ('0') ..." in clock_id
    // order, restricted to the user's dining room when the user has one and
    // company parameter "cbClock" is on; only types with bit 4 are kept.
    QVector<TClockInfo> load() const;
    // The terminals above with their open task counts, matched on clock_id
    // and clock_sn.
    QVector<PendingTerminal> loadWithPending() const;
    // Open tasks per terminal, keyed "clock_id;clock_sn".
    QHash<QString, int> openTaskCounts() const;
    static QString countKey(const TClockInfo& clock);
    // The pending-count statement.
    QString pendingCountSql() const;

private:
    const Session& m_session;
};

} // namespace allowance
