#pragma once
// The maintenance key that opens the record editor: an eight-digit code for
// one calendar day, derived from the day and a secret kept in the site's
// database (table meal_site_secret, created with a random secret by the
// schema upgrade when missing). An administrator reads the day's key with
// `mealctl maintenance-key` and gives it to the operator; a key of another day
// or another site is refused. See docs/maintenance-key.md.
#include <QByteArray>
#include <QDate>
#include <QString>

class QSqlQuery;
class QueryRunner;
class Session;

namespace MaintenanceKey {
// The key of `day` for `secret` (HMAC-SHA256 of "meal-maintenance:yyyy-MM-dd",
// first four bytes as a big-endian number modulo 10^8, eight digits).
QString keyFor(const QByteArray& secret, const QDate& day);
// True when `typed` (blanks around it aside) is the key of `day`; compared in
// time independent of where the texts differ.
bool accepts(const QByteArray& secret, const QDate& day, const QString& typed);
// The site's secret; throws DbError when the table holds none.
QByteArray siteSecret(const Session& session);
// Creates the table and a random secret when missing; returns the statements run.
QStringList ensureSiteSecret(QSqlQuery& query, const QueryRunner& runner);
} // namespace MaintenanceKey
