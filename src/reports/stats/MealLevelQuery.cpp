#include "reports/stats/MealLevelQuery.h"

#include "dataset/DataSet.h"
#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "db/Session.h"

#include <QSqlQuery>

namespace {

// Column name stems by period number (0 is the period outside meal times).
const char* const kStems[] = {"Nine", "One", "Two", "Three", "Four", "Five", "Six", "Seveen", "Eight"};
constexpr int kPeriods = 9;
const QString kTotalKinds = QStringLiteral("null,0,1,2,3,4,5,6,7,8");

// Period 0 joined to the meal-period table: a record counts when its period is valid.
QString periodTable() {
    return QStringLiteral(
        "(select 0 as DinLev_id,'餐外消费' as DinLev_name,0 as DinLevPrice,'00:01' as beg_time,'23:59' as "
        "end_time,0 as iscount,1 as isvalid,null as Mem,0 as two_price union all select * from Dinlev) D ");
}

// Periods 1..8, then 0, then the totals, over the rows of `alias`: records,
// or with `grouped` the records' count and sum per period (`records`, `amount`).
QString periodSums(const QString& alias, bool grouped) {
    const QString count = grouped ? alias + QStringLiteral(".records") : QStringLiteral("1.0");
    const QString amount = alias + (grouped ? QStringLiteral(".amount") : QStringLiteral(".card_consume"));
    QString sql;
    for (int i = 1; i <= kPeriods; ++i) {
        const QString period = QString::number(i % kPeriods);
        const QString money = SqlDialect::moneySum(
            QStringLiteral("sum(case when %1.Kind=%2 then %3 else 0.0 end)").arg(alias, period, amount));
        sql += QStringLiteral("sum(case when %1.kind=%2 then %5 else 0.0 end) AS %3Count, %4 AS %3Money, ")
                   .arg(alias, period, QLatin1String(kStems[i % kPeriods]), money, count);
    }
    const QString money = SqlDialect::moneySum(
        QStringLiteral("sum(case when %1.kind in(%2) then %3 else 0.0 end)").arg(alias, kTotalKinds, amount));
    return sql + QStringLiteral(
                     "sum(case when %1.kind in(%2) then %4 else 0.0 end) AS TotalCount, %3 AS TotalMoney ")
                     .arg(alias, kTotalKinds, money, count);
}

// The records of the conditions counted and summed per `keys` and period:
// the few rows the period columns are then spread over, instead of one CASE
// per column on every record. The join with the period table multiplies a
// group as it would each of its records, so the figures are the same.
QString perPeriod(const QString& keys, const QString& conditions, const QString& hint = QString()) {
    return QStringLiteral("(select %3%1, C.kind, count(*) as records, sum(C.card_consume) as amount from "
                          "MealRecords C where 1 = 1 %2 group by %1, C.kind) C")
        .arg(keys, conditions, hint);
}

// The sums of pre-grouped rows, summed again.
QString resums(const QString& alias) {
    QStringList parts;
    for (int i = 0; i <= kPeriods; ++i) {
        const QString stem =
            i == kPeriods ? QStringLiteral("Total") : QLatin1String(kStems[(i + 1) % kPeriods]);
        parts << QStringLiteral("sum(%1.%2Count) AS %2Count, %3 AS %2Money")
                     .arg(alias, stem,
                          SqlDialect::moneySum(QStringLiteral("sum(%1.%2Money)").arg(alias, stem)));
    }
    return parts.join(QStringLiteral(", "));
}

QString numbers(const QVector<qint64>& ids) {
    QStringList parts;
    for (const qint64 id : ids)
        parts << QString::number(id);
    return parts.isEmpty() ? QStringLiteral("-1") : parts.join(QLatin1Char(','));
}

QString employeeList() {
    return QStringLiteral("(select empno,empname,deptname,card_id,sys_id,issued,duty from hum_employee union "
                          "select empno,empname,deptname,card_id,sys_id,issued,duty  from hum_employee_lz)");
}

// The conditions on the records (alias C), in the windows' order.
QString conditions(const MealLevelFilter& f, const Session& session) {
    const SqlDialect d = session.dialect();
    QString sql =
        QStringLiteral(" and C.op_ymd >= %1 and C.op_ymd <= %2 ")
            .arg(d.quote(f.begin.toString(QStringLiteral("yyyy-MM-dd"))),
                 d.quote(f.end.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 23:59:59")));
    if (!f.dinRoom.trimmed().isEmpty())
        sql += QStringLiteral(" and C.clock_id in (select clock_id from clocks where DinRoom_id=%1)")
                   .arg(d.quote(f.dinRoom.trimmed()));
    bool excluded = false;
    const QVector<int> flags = MealLevelQuery::typeFlags(f.typeIndex, &excluded);
    QStringList flagTexts;
    for (const int flag : flags)
        flagTexts << QString::number(flag);
    sql += excluded ? QStringLiteral(" and C.flag<>%1 ").arg(flagTexts.join(QString()))
                    : QStringLiteral(" and C.flag in (%1) ").arg(flagTexts.join(QLatin1Char(',')));
    const QString key = f.keyText.trimmed();
    const QString name = f.nameText.trimmed();
    if (f.fromSearch) {
        switch (f.grouping) {
        case MealLevelGrouping::Employee:
        case MealLevelGrouping::Department: {
            const bool byEmployee = f.grouping == MealLevelGrouping::Employee;
            if (!key.isEmpty())
                sql += QStringLiteral(" And %1 = %2")
                           .arg(byEmployee ? QStringLiteral("C.emp_id") : QStringLiteral("C.deptno"),
                                d.quote(key));
            if (!name.isEmpty())
                sql += QStringLiteral(" And %1 = %2")
                           .arg(byEmployee ? QStringLiteral("C.empname") : QStringLiteral("C.deptname"),
                                d.quote(name));
            break;
        }
        case MealLevelGrouping::Terminal:
            if (!key.isEmpty())
                sql +=
                    QStringLiteral(" And C.Clock_id in (%1)").arg(numbers(MealLevelQuery::terminalList(key)));
            if (!name.isEmpty())
                sql +=
                    QStringLiteral(" And C.Clock_id in (select Clock_id from Clocks where Clock_name = %1)")
                        .arg(d.quote(name));
            break;
        }
    } else if (f.grouping == MealLevelGrouping::Terminal) {
        if (f.terminalsSelected)
            sql += QStringLiteral(" And C.clock_id in (%1) ").arg(numbers(f.terminals));
    } else if (f.departmentSelected) {
        sql += QStringLiteral(" And C.Deptno like %1").arg(d.likePrefix(f.departmentNo));
    }
    if (f.departmentRights)
        sql += QStringLiteral(" AND C.deptno in %1").arg(departmentInList(d, f.userDepartments));
    return sql;
}

} // namespace

namespace MealLevelQuery {

QStringList typeItems(bool allowanceFunctions) {
    return {QStringLiteral("金额消费"), QStringLiteral("计次消费"), QStringLiteral("记帐消费"),
            allowanceFunctions ? QStringLiteral("纠错/补单/清零") : QStringLiteral("纠错/补单"),
            QStringLiteral("全部")};
}

QVector<int> typeFlags(int typeIndex, bool* excluded) {
    *excluded = false;
    switch (typeIndex) {
    case 0:
        return {1, 2, 3, 5, 6, 103};
    case 1:
        return {4};
    case 2:
        return {7};
    case 3:
        return {9, 90, 14, 105};
    default:
        *excluded = true;
        return {102};
    }
}

QVector<qint64> terminalList(const QString& typed) {
    QVector<qint64> ids;
    for (const QString& part : typed.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const std::optional<qint64> id = SqlDialect::parseInteger(part.trimmed(), 0);
        if (!id)
            throw DbError(QStringLiteral("机号只能是数字, 以逗号分隔: %1").arg(typed));
        ids << *id;
    }
    if (ids.isEmpty())
        throw DbError(QStringLiteral("机号只能是数字, 以逗号分隔: %1").arg(typed));
    return ids;
}

QString statement(const MealLevelFilter& f, const Session& session) {
    const QString where = conditions(f, session);
    switch (f.grouping) {
    case MealLevelGrouping::Employee:
        return QStringLiteral(
                   "SELECT * from (SELECT H.emp_id, E.EmpName, H.card_id, H.deptno, H.deptname, %1 "
                   "FROM (SELECT C.emp_id, C.card_id, C.deptno, C.deptname, %2 FROM %3, "
                   "%4 where C.Kind = D.Dinlev_ID AND D.isvalid = 1 GROUP BY C.emp_id, C.card_id, "
                   "C.deptno, C.deptname) H left join %5 E on H.emp_id=E.empno GROUP BY H.emp_id, "
                   "E.EmpName, H.card_id, H.deptno, H.deptname) BB WHERE 1 = 1 ")
            .arg(resums(QStringLiteral("H")), periodSums(QStringLiteral("C"), true),
                 // A group per card and period, with the department's name in the key.
                 perPeriod(QStringLiteral("C.emp_id, C.card_id, C.deptno, C.deptname"), where,
                           session.dialect().manyGroupsHint()),
                 periodTable(), employeeList());
    case MealLevelGrouping::Department:
        return QStringLiteral("SELECT C.deptno, C.deptname, %1 FROM %2, %3 WHERE C.Kind = D.Dinlev_ID AND "
                              "D.isvalid = 1 Group by C.deptno, C.deptname order by C.deptno ")
            .arg(periodSums(QStringLiteral("C"), true),
                 perPeriod(QStringLiteral("C.deptno, C.deptname"), where), periodTable());
    case MealLevelGrouping::Terminal:
        return QStringLiteral("SELECT  C.Clock_id,E.Clock_name, %1 FROM %2, %3, Clocks E WHERE  "
                              "C.Kind = D.Dinlev_ID AND D.isvalid = 1 and C.Clock_id=E.Clock_id Group by "
                              "C.Clock_id,E.Clock_name order by C.Clock_id")
            .arg(periodSums(QStringLiteral("C"), true), perPeriod(QStringLiteral("C.Clock_id"), where),
                 periodTable());
    }
    return QString();
}

QString recordStatement(const MealLevelFilter& f, const Session& session) {
    switch (f.grouping) {
    case MealLevelGrouping::Employee:
        return QStringLiteral(
                   "SELECT * from (SELECT H.emp_id, E.EmpName, H.card_id,H.deptno,H.deptname, %1 FROM "
                   "(Select * FROM  MealRecords C , %2 where C.Kind = D.Dinlev_ID AND D.isvalid = 1 %3) H "
                   "left join %4 E on H.emp_id=E.empno  GROUP BY H.emp_id, E.EmpName, "
                   "H.card_id,H.deptno,H.deptname) BB WHERE 1 = 1 ")
            .arg(periodSums(QStringLiteral("H"), false), periodTable(), conditions(f, session),
                 employeeList());
    case MealLevelGrouping::Department:
        return QStringLiteral(
                   "SELECT C.deptno, C.deptname, %1 FROM  MealRecords C, %2 WHERE C.Kind = "
                   "D.Dinlev_ID AND D.isvalid = 1 %3 Group by C.deptno, C.deptname order by C.deptno ")
            .arg(periodSums(QStringLiteral("C"), false), periodTable(), conditions(f, session));
    case MealLevelGrouping::Terminal:
        return QStringLiteral("SELECT  C.Clock_id,E.Clock_name, %1 FROM  MealRecords C, %2, Clocks E WHERE  "
                              "C.Kind = D.Dinlev_ID AND D.isvalid = 1 and C.Clock_id=E.Clock_id %3 Group by "
                              "C.Clock_id,E.Clock_name order by C.Clock_id")
            .arg(periodSums(QStringLiteral("C"), false), periodTable(), conditions(f, session));
    }
    return QString();
}

QString countField(int period) {
    return QLatin1String(kStems[qBound(0, period, kPeriods - 1)]) + QStringLiteral("Count");
}

QString moneyField(int period) {
    return QLatin1String(kStems[qBound(0, period, kPeriods - 1)]) + QStringLiteral("Money");
}

int periodOfField(const QString& fieldName) {
    for (int period = 0; period < kPeriods; ++period)
        if (fieldName.compare(countField(period), Qt::CaseInsensitive) == 0 ||
            fieldName.compare(moneyField(period), Qt::CaseInsensitive) == 0)
            return period;
    return -1;
}

QVector<MealPeriod> readPeriods(const Session& session) {
    QVector<MealPeriod> periods{{0, QStringLiteral("餐外消费"), true}};
    QSqlQuery q(session.ModuleConnection);
    session.runner().RunQuery(
        q, QStringLiteral("select DinLev_id, DinLev_name, isvalid from dinlev order by DinLev_id"), true);
    while (q.next()) {
        MealPeriod p;
        p.id = q.value(0).toInt();
        p.name = q.value(1).toString();
        p.valid = q.value(2).toInt() == 1;
        if (p.id > 0)
            periods << p;
    }
    return periods;
}

void titleColumns(DataSet& ds, const QVector<MealPeriod>& periods) {
    for (int period = 0; period < kPeriods; ++period) {
        // Titled by the period's number; a number without a valid period counts nothing.
        const MealPeriod* found = nullptr;
        for (const MealPeriod& p : periods)
            if (p.id == period)
                found = &p;
        for (const bool money : {false, true}) {
            Field* f = ds.findField(money ? moneyField(period) : countField(period));
            if (!f)
                continue;
            const QString name = found ? found->name : QString::number(period);
            f->setDisplayLabel(name + (money ? QStringLiteral("|金额") : QStringLiteral("|次数")));
            if (!money)
                f->setDisplayFormat(QStringLiteral("0"));
            if (!found || !found->valid) {
                f->setVisible(false);
                f->setTag(10);
            }
        }
    }
    if (Field* f = ds.findField(QStringLiteral("TotalCount"))) {
        f->setDisplayLabel(QStringLiteral("合计次数"));
        f->setDisplayFormat(QStringLiteral("0"));
    }
    if (Field* f = ds.findField(QStringLiteral("TotalMoney")))
        f->setDisplayLabel(QStringLiteral("合计金额"));
}

JournalConditions drillConditions(const MealLevelFilter& f, int period, const QVector<MealPeriod>& periods,
                                  const DrillKey& key) {
    JournalConditions c;
    c.begin = QDateTime(f.begin, QTime(0, 0));
    c.end = QDateTime(f.end, QTime(23, 59, 59));
    // The cell's records are those of its period (the totals: every valid one).
    if (period >= 0) {
        c.mealPeriods = {period};
    } else {
        for (const MealPeriod& p : periods)
            if (p.valid && p.id >= 0 && p.id < kPeriods)
                c.mealPeriods << p.id;
    }
    c.flags = typeFlags(f.typeIndex, &c.flagsExcluded);
    c.dinRoom = f.dinRoom;
    switch (f.grouping) {
    case MealLevelGrouping::Employee:
        c.empId = key.empId;
        c.byCard = true;
        c.cardId = key.cardId;
        c.byDepartment = key.hasDept;
        c.deptNo = key.deptNo;
        break;
    case MealLevelGrouping::Department:
        c.byDepartment = true;
        c.deptNo = key.deptNo;
        break;
    case MealLevelGrouping::Terminal:
        c.terminals = {key.clockId};
        break;
    }
    c.departmentRights = f.departmentRights;
    c.userDepartments = f.userDepartments;
    return c;
}

} // namespace MealLevelQuery
