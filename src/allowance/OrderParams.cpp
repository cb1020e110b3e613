#include "allowance/OrderParams.h"

#include "db/Session.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

#include <algorithm>

namespace allowance {

namespace {
QSet<int> readDays(const QString& text, int last) {
    QSet<int> days;
    for (const QString& token : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int day = token.trimmed().toInt(&ok);
        if (ok && day >= 1 && day <= last)
            days.insert(day);
    }
    return days;
}

QString joinDays(const QSet<int>& days, int width) {
    QList<int> sorted(days.begin(), days.end());
    std::sort(sorted.begin(), sorted.end());
    QStringList parts;
    for (int day : sorted)
        parts << QStringLiteral("%1").arg(day, width, 10, QLatin1Char('0'));
    return parts.join(QLatin1Char(','));
}
} // namespace

RestDays RestDays::fromTexts(const QString& weekParam, const QString& monthParam) {
    return {readDays(weekParam, 7), readDays(monthParam, 31)};
}

QString RestDays::weekText() const {
    return joinDays(weekdays, 1);
}

QString RestDays::monthText() const {
    return joinDays(monthDays, 2);
}

RestDays OrderParams::load() const {
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(q, QStringLiteral("select week_param, month_param from company"), true);
    if (!q.next())
        return {};
    return RestDays::fromTexts(q.value(0).toString(), q.value(1).toString());
}

void OrderParams::save(const RestDays& days) const {
    QSqlQuery q(m_session.ModuleConnection);
    m_session.runner().RunQuery(
        q, QStringLiteral("update company set week_param=:week, month_param=:month"), false,
        {{QStringLiteral("week"), days.weekText()}, {QStringLiteral("month"), days.monthText()}});
}

} // namespace allowance
