#include "dailystats/DailySumsCommon.h"

#include "db/DbError.h"
#include "db/Session.h"
#include "db/SqlDialect.h"

namespace DailySums {

QVariantMap dayParameters(const DayRange& range) {
    return {{QStringLiteral("@begin"), range.begin}, {QStringLiteral("@end"), range.end}};
}

QString dayColumn(const SqlDialect& dialect, const QString& column) {
    return dialect.isSqlServer() ? QStringLiteral("cast(%1 as date)").arg(column) : column;
}

QString dayCondition(const SqlDialect& dialect, const QString& column) {
    const QString day = dayColumn(dialect, column);
    const QString bound = dialect.isSqlServer() ? QStringLiteral("cast(%1 as date)") : QStringLiteral("%1");
    return QStringLiteral(" and %1 >= %2 and %1 <= %3 ")
        .arg(day, bound.arg(QStringLiteral(":@begin")), bound.arg(QStringLiteral(":@end")));
}

QString money(const QString& expression) {
    return QStringLiteral("cast(%1 as decimal(16,2))").arg(expression);
}

bool drillDownEnabled(const Session& session) {
    return session.OtherMattersFlags.mid(4, 1) == QLatin1String("1");
}

void checkRange(const DayRange& range) {
    if (!range.begin.isValid() || !range.end.isValid())
        throw DbError(QStringLiteral("日期无效"));
}

} // namespace DailySums
