#include "BenchStatement.h"

#include "db/DbError.h"
#include "db/NamedParameters.h"
#include "db/Session.h"
#include "reports/MealRecordsQuery.h"

#include <QCommandLineParser>
#include <QDate>

namespace bench {

QString BenchStatement::clientText() const {
    return ParsedStatement::parse(sql).inlined(params, SqlDialect(false, true));
}

void addStatementOptions(QCommandLineParser& parser) {
    parser.addOption(
        {QStringLiteral("database"), QStringLiteral("database to read"), QStringLiteral("name")});
    parser.addOption({QStringLiteral("month"), QStringLiteral("consumption list of one month"),
                      QStringLiteral("yyyy-MM")});
    parser.addOption({QStringLiteral("all-records"), QStringLiteral("every row of MealRecords")});
    parser.addOption({QStringLiteral("sql"), QStringLiteral("statement to open"), QStringLiteral("text")});
}

BenchStatement statementFromOptions(const QCommandLineParser& parser, const QString& scratchDatabase) {
    BenchStatement s;
    if (parser.isSet(QStringLiteral("month")))
        s = consumptionMonth(parser.value(QStringLiteral("month")));
    else if (parser.isSet(QStringLiteral("all-records")))
        s = allMealRecords();
    else if (parser.isSet(QStringLiteral("sql")))
        s = {QStringLiteral("statement"), QString(), parser.value(QStringLiteral("sql")), {}};
    s.database = parser.isSet(QStringLiteral("database"))
                     ? parser.value(QStringLiteral("database"))
                     : (s.scratch() ? scratchDatabase : QStringLiteral("mealdemo"));
    return s;
}

BenchStatement consumptionMonth(const QString& yearMonth) {
    const QDate first = QDate::fromString(yearMonth + QStringLiteral("-01"), QStringLiteral("yyyy-MM-dd"));
    if (!first.isValid())
        throw DbError(QStringLiteral("--month wants yyyy-MM, not: ") + yearMonth);
    Session session;
    session.CurrentUserId = QStringLiteral("ADMIN");
    session.config.IsMySQL = true;
    MealRecordsFilter filter; // no department, card or terminal; type "全部"
    BenchStatement s;
    s.label = QStringLiteral("consumption list of ") + yearMonth;
    s.sql = MealRecordsQuery::statement(filter, session);
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    s.params = {{QStringLiteral("@begindate"), QDateTime(first, QTime(0, 0)).toString(format)},
                {QStringLiteral("@enddate"),
                 QDateTime(first.addMonths(1).addDays(-1), QTime(23, 59, 59)).toString(format)}};
    return s;
}

BenchStatement allMealRecords() {
    return {
        QStringLiteral("all MealRecords rows"), QString(), QStringLiteral("SELECT * FROM MealRecords"), {}};
}

} // namespace bench
