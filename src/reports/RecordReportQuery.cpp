#include "reports/RecordReportQuery.h"

#include "db/Session.h"
#include "reports/MealRecordsQuery.h"

namespace RecordReportQuery {

namespace {
QString cardCondition(const QString& cardText, const QString& cardColumn) {
    if (cardText.trimmed().isEmpty())
        return QString();
    return QStringLiteral(" And %1 = %2").arg(cardColumn, MealRecordsQuery::cardNumber(cardText));
}
} // namespace

QString conditions(const RecordReportFilter& f, const Session& session, const QString& cardColumn) {
    const QString card = cardCondition(f.cardText, cardColumn); // refused before anything is built
    return DepartmentFilter::conditions(f.department, session) + card;
}

QString where(const QString& sqlTemplate, const RecordReportFilter& f, const Session& session,
              const QString& cardColumn) {
    const QString card = cardCondition(f.cardText, cardColumn);
    DptWhereInput in = f.department;
    in.sqlTemplate = sqlTemplate;
    return DepartmentFilter::buildWhere(in, session) + card;
}

QVariantMap periodParameters(const QDateTime& begin, const QDateTime& end) {
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    return {{QStringLiteral("@begindate"), begin.toString(format)},
            {QStringLiteral("@enddate"), end.toString(format)}};
}

QString periodCaption(const QString& label, const QDateTime& begin, const QDateTime& end,
                      const QString& format) {
    return QStringLiteral("%1: (%2 至 %3)").arg(label, begin.toString(format), end.toString(format));
}

} // namespace RecordReportQuery
