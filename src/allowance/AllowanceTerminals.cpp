#include "allowance/AllowanceTerminals.h"

#include "db/CompanyParameters.h"
#include "db/Session.h"

#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>

namespace allowance {

QVector<TClockInfo> AllowanceTerminals::load() const {
    QString sql = QStringLiteral("SELECT * FROM Clocks WHERE Clock_type not in ('0') ORDER BY clock_id ");
    if (!m_session.UserDinRoom.isEmpty() && CompanySwitch::diningRoomRights(m_session))
        sql =
            QStringLiteral("SELECT * FROM Clocks WHERE Clock_type not in ('0') AND dinroom_id='%1' ORDER BY "
                           "clock_id")
                .arg(m_session.dialect().escape(m_session.UserDinRoom));
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(q, sql, true);
    QVector<TClockInfo> clocks;
    while (q.next()) {
        const TClockInfo clock = TClockInfo::fromRecord(q.record());
        if (clock.takesAllowances())
            clocks.append(clock);
    }
    return clocks;
}

QString AllowanceTerminals::pendingCountSql() const {
    return QStringLiteral(" select clock_id, clock_sn, Count(*) as nCount from %1 AS aa  where ")
               .arg(QStringLiteral("Allowtasklist")) +
           m_session.dialect().nullFunction() +
           QStringLiteral("(iscommit,0) <> 1 group by clock_id, clock_sn ");
}

QString AllowanceTerminals::countKey(const TClockInfo& clock) {
    return QString::number(clock.clock_id) + QLatin1Char(';') + clock.clock_sn;
}

QHash<QString, int> AllowanceTerminals::openTaskCounts() const {
    QHash<QString, int> counts;
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(q, pendingCountSql(), true);
    while (q.next())
        counts.insert(q.value(0).toString() + QLatin1Char(';') + q.value(1).toString(), q.value(2).toInt());
    return counts;
}

QVector<PendingTerminal> AllowanceTerminals::loadWithPending() const {
    const QVector<TClockInfo> clocks = load();
    const QHash<QString, int> counts = openTaskCounts();
    QVector<PendingTerminal> result;
    for (const TClockInfo& clock : clocks) {
        PendingTerminal p{clock, 0};
        const auto it = counts.constFind(countKey(clock));
        if (it != counts.constEnd()) {
            p.openTasks = it.value();
            p.clock.pending = 1;
        }
        result.append(p);
    }
    return result;
}

} // namespace allowance
