#include "reports/MealRecordsRematch.h"

#include "db/CodeTables.h"
#include "db/Session.h"

#include <QSqlQuery>

MealPeriodMatcher::MealPeriodMatcher(const Session& session) : m_session(session) {}

QString MealPeriodMatcher::lookupStatement(const QString& hhmm) {
    return QStringLiteral(
               "select DinLev_id from dinlev where '%1' between beg_time and end_time and isvalid = 1")
        .arg(hhmm);
}

int MealPeriodMatcher::periodFor(const QTime& time) {
    const QString hhmm = time.toString(QStringLiteral("HH:mm"));
    const auto known = m_periods.constFind(hhmm);
    if (known != m_periods.constEnd())
        return known.value();
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(q, lookupStatement(hhmm), true);
    const int period = q.next() ? q.value(0).toInt() : 1;
    m_periods.insert(hhmm, period);
    return period;
}

QString MealPeriodMatcher::updateStatement(int period, const RematchRecord& r) const {
    const SqlDialect d = m_session.dialect();
    return QStringLiteral(
               "update mealrecords set kind = %1 where emp_id = %2 and card_id =%3 and card_sequ =%4 and "
               "sign_time = '%5'")
        .arg(QString::number(period), d.quote(r.empId.toString()),
             SqlDialect::toIntegerText(r.cardId.toString()), SqlDialect::toIntegerText(r.cardSequ.toString()),
             r.signTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

bool MealPeriodMatcher::rematch(const RematchRecord& r) {
    if (r.empId.isNull() || r.cardId.isNull() || r.cardSequ.isNull() || !r.signTime.isValid())
        return false;
    const int period = periodFor(r.signTime.time());
    if (CodeTables::sameMealLevelId(period, r.kind))
        return false;
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(q, updateStatement(period, r), false);
    return true;
}
