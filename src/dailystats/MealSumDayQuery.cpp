#include "dailystats/MealSumDayQuery.h"

#include "dataset/DataSet.h"
#include "db/CompanyParameters.h"
#include "db/QueryRunner.h"
#include "db/Session.h"
#include "db/SqlDialect.h"
#include "reports/stats/MealLevelQuery.h"

#include <QSqlQuery>

#include <limits>

namespace MealSumDayQuery {

namespace {

// Periods 1..8 and then 0, with the column names of the summary.
const char* const kPrefixes[] = {"One", "Two", "Three", "Four", "Five", "Six", "Seveen", "Eight", "Nine"};
int periodOf(int index) {
    return index == 8 ? 0 : index + 1;
}

QString numberList(const QVector<int>& numbers) {
    QStringList parts;
    for (const int n : numbers)
        parts << QString::number(n);
    return parts.join(QLatin1Char(','));
}

// The consumption type, dining room, period and department conditions on C.
QString recordConditions(const MealSumDayFilter& f, const SqlDialect& d) {
    DailySums::checkRange(f.range);
    bool excluded = false;
    const QVector<int> flags = kindFlags(f.kind, &excluded);
    QString sql = excluded ? QStringLiteral(" and C.flag<>102 ")
                           : QStringLiteral(" and C.flag in (%1) ").arg(numberList(flags));
    const QString room = f.dinRoom.trimmed();
    if (!room.isEmpty() && room != QLatin1String("0"))
        sql +=
            QStringLiteral(" and C.clock_id in (select clock_id from clocks where DinRoom_id=%1)")
                .arg(SqlDialect::toInteger(room, 0, std::numeric_limits<int>::max(), QStringLiteral("餐厅")));
    sql += DailySums::dayCondition(d, QStringLiteral("C.op_ymd"));
    if (f.departmentRights)
        sql += QStringLiteral(" AND C.deptno in %1").arg(departmentInList(d, f.userDepartments));
    return sql;
}

// The valid meal periods; period 0 (outside any) always counts.
const char* const kValidPeriods =
    "(select 0 as DinLev_id, 1 as isvalid union all select DinLev_id, isvalid from Dinlev) D";

// The nine count and money pairs and the totals over the rows of C, whose
// `kind` is the period; `count` and `amount` are what one row of C adds.
QString periodSums(const QString& count, const QString& amount) {
    QString sql;
    for (int i = 0; i < 9; ++i)
        sql +=
            QStringLiteral("cast(sum(case when C.kind=%1 then %3 else 0.0 end) as decimal(14,0)) AS %2Count, "
                           "cast(sum(case when C.Kind=%1 then  %4  else  0.0 end) as decimal(16,2)) "
                           "AS %2Money, ")
                .arg(QString::number(periodOf(i)), QString::fromLatin1(kPrefixes[i]), count, amount);
    return sql +
           QStringLiteral("cast(sum(case when C.kind in(null,0,1,2,3,4,5,6,7,8) then %1 else 0.0 end) as "
                          "decimal(14,0)) AS TotalCount, cast(sum(case when C.kind "
                          "in(null,0,1,2,3,4,5,6,7,8) then %2 else 0.0 end) as decimal(16,2)) AS "
                          "TotalMoney ")
               .arg(count, amount);
}

} // namespace

// The consumption types are the meal-period statistics' own list.
QStringList kindItems(int moduleOptions) {
    return MealLevelQuery::typeItems((moduleOptions & 4) != 0);
}

QVector<int> kindFlags(int kind, bool* excluded) {
    return MealLevelQuery::typeFlags(kind, excluded);
}

QString dataSetName(bool oneRecord) {
    return oneRecord ? QStringLiteral("dsmealonesum") : QStringLiteral("dsMealSum1");
}

// The records are first counted and summed per day and period, and the
// columns are spread over those few rows: the same figures as one CASE per
// column over every record (rowStatement), in a third of the time on a
// month of a large site. The join with the periods multiplies a group as it
// would multiply each of its records.
QString statement(const MealSumDayFilter& f, const SqlDialect& d) {
    const QString conditions = recordConditions(f, d);
    QString sql = f.oneRecord ? QStringLiteral("SELECT ") : QStringLiteral("SELECT C.op_ymd,");
    sql += periodSums(QStringLiteral("C.records"), QStringLiteral("C.amount"));
    sql += QStringLiteral("FROM (select C.op_ymd, C.kind, count(*) as records, sum(C.card_consume) as amount "
                          "from MealRecords C where 1=1 %1 group by C.op_ymd, C.kind) C, %2 where C.Kind = "
                          "D.Dinlev_ID AND D.isvalid = 1 ")
               .arg(conditions, QLatin1String(kValidPeriods));
    if (!f.oneRecord)
        sql += QStringLiteral(" GROUP BY C.op_ymd order by C.op_ymd");
    return sql;
}

QString rowStatement(const MealSumDayFilter& f, const SqlDialect& d) {
    const QString conditions = recordConditions(f, d);
    QString sql = f.oneRecord ? QStringLiteral("SELECT ") : QStringLiteral("SELECT C.op_ymd,");
    sql += periodSums(QStringLiteral("1.0"), QStringLiteral("C.card_consume"));
    sql += QStringLiteral("FROM  MealRecords C , %1  where C.Kind = D.Dinlev_ID AND D.isvalid = 1 %2")
               .arg(QLatin1String(kValidPeriods), conditions);
    if (!f.oneRecord)
        sql += QStringLiteral(" GROUP BY C.op_ymd order by C.op_ymd");
    return sql;
}

QString dinRoomListStatement() {
    return QStringLiteral("select '0' as DinRoom_id, '全部' as DinRoom_name  union ALL   select "
                          "DinRoom_id, DinRoom_name from dinroom");
}

QString periodListStatement() {
    return QStringLiteral("select DinLev_id, DinLev_name, isvalid from dinlev order by DinLev_id");
}

QVector<MealPeriodColumn> periodColumns(const QVector<PeriodRow>& rows) {
    QVector<MealPeriodColumn> columns;
    for (int i = 0; i < 9; ++i) {
        MealPeriodColumn c;
        c.period = periodOf(i);
        c.countField = QString::fromLatin1(kPrefixes[i]) + QStringLiteral("Count");
        c.moneyField = QString::fromLatin1(kPrefixes[i]) + QStringLiteral("Money");
        if (c.period == 0) {
            c.name = QStringLiteral("餐外消费");
            c.valid = true;
        }
        for (const PeriodRow& r : rows)
            if (r.id == c.period && c.period != 0) {
                c.name = r.name;
                c.valid = r.valid;
            }
        columns << c;
    }
    return columns;
}

QVector<PeriodRow> readPeriods(const Session& session) {
    QVector<PeriodRow> rows;
    QSqlQuery q(session.ModuleConnection);
    session.runner().RunQuery(q, periodListStatement(), true);
    while (q.next())
        rows.push_back(
            {q.value(0).toInt(), q.value(1).toString().trimmed(), isTrueText(q.value(2).toString())});
    return rows;
}

void applyCaptions(DataSet& rows, const QVector<MealPeriodColumn>& periods) {
    for (const MealPeriodColumn& p : periods) {
        const QString name = p.name.isEmpty() ? QString::number(p.period) : p.name;
        const std::pair<QString, QString> columns[] = {{p.countField, QStringLiteral("|次数")},
                                                       {p.moneyField, QStringLiteral("|金额")}};
        for (const auto& [fieldName, suffix] : columns) {
            Field* f = rows.findField(fieldName);
            if (!f)
                continue;
            f->setDisplayLabel(name + suffix);
            if (!p.valid) {
                f->setVisible(false);
                f->setTag(10);
            }
        }
    }
    if (Field* f = rows.findField(QStringLiteral("op_ymd")))
        f->setDisplayLabel(QStringLiteral("日期"));
    if (Field* f = rows.findField(QStringLiteral("TotalCount")))
        f->setDisplayLabel(QStringLiteral("合计次数"));
    if (Field* f = rows.findField(QStringLiteral("TotalMoney")))
        f->setDisplayLabel(QStringLiteral("合计金额"));
    for (int i = 0; i < rows.fieldCount(); ++i) {
        Field* f = rows.field(i);
        if (f->fieldName().endsWith(QLatin1String("Count")))
            f->setDisplayFormat(QStringLiteral("0"));
        else if (f->fieldName().endsWith(QLatin1String("Money")))
            f->setDisplayFormat(QStringLiteral("￥0.00"));
    }
}

} // namespace MealSumDayQuery
