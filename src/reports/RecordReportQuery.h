#pragma once
// The conditions the record report lists share, in their order: the
// department/date window's employee, name, department and rights conditions,
// then the card number; the period parameters and the print's period line.
// Each list's query class adds its own statement and conditions around them.
#include "framework/DepartmentFilter.h"

#include <QDateTime>
#include <QString>
#include <QVariantMap>

class Session;

struct RecordReportFilter {
    DptWhereInput department; // employee, name, department and rights conditions
    QString cardText;         // digits only; anything else is refused
};

namespace RecordReportQuery {
// The inherited conditions, then " And <cardColumn> = N" when a card number
// is given. Throws DbError with the operator's message for a card number
// that is not all digits, before anything runs.
QString conditions(const RecordReportFilter& filter, const Session& session,
                   const QString& cardColumn = QStringLiteral("card_id"));
// The statement `sqlTemplate` (given " WHERE 1 = 1 " when it has no WHERE)
// with those conditions.
QString where(const QString& sqlTemplate, const RecordReportFilter& filter, const Session& session,
              const QString& cardColumn = QStringLiteral("card_id"));
// @begindate and @enddate as "yyyy-MM-dd HH:mm:ss" texts.
QVariantMap periodParameters(const QDateTime& begin, const QDateTime& end);
// "<label>: (<begin> 至 <end>)" with both ends in `format`.
QString periodCaption(const QString& label, const QDateTime& begin, const QDateTime& end,
                      const QString& format = QStringLiteral("yyyy-MM-dd"));
} // namespace RecordReportQuery
