#include "reports/stats/PersonalRechargeQuery.h"

#include "db/Session.h"

namespace PersonalRechargeQuery {

QString statement(const PersonalRechargeFilter& f, const Session& session) {
    const SqlDialect d = session.dialect();
    DptWhereInput department = f.department;
    department.sqlTemplate.clear();
    // The sums by kind, as decimal(16,2).
    const QPair<const char*, const char*> sums[] = {{"KIND=0", "sum_charge_money"},
                                                    {"KIND in (33,1,3,104)", "sum_add_money"},
                                                    {"KIND=2", "sum_bat_money"},
                                                    {"KIND=30", "sum_chuNa_money"},
                                                    {"KIND=31", "sum_Rate_money"}};
    QString columns;
    for (const auto& s : sums)
        columns +=
            QStringLiteral("%1 AS %2,")
                .arg(SqlDialect::moneySum(QStringLiteral("sum(case when %1 then charge_money else 0 end)")
                                              .arg(QLatin1String(s.first))),
                     QLatin1String(s.second));
    return QStringLiteral(
               "SELECT  emp_id,empname,deptno,deptname, %1%2 as sum_money,sum(case when kind<>-1  "
               "then 1.0 else 0.0 end) as Totalcount FROM MchargeRecords where 1 = 1  and op_ymd >= %3 "
               "and op_ymd <= %4 ")
               .arg(columns, SqlDialect::moneySum(QStringLiteral("sum(charge_money)")),
                    d.quote(f.begin.toString(QStringLiteral("yyyy-MM-dd"))),
                    d.quote(f.end.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 23:59:59"))) +
           DepartmentFilter::conditions(department, session) +
           QStringLiteral(" Group by emp_id, empname, deptno, deptname ");
}

QVector<int> kindsOfField(const QString& fieldName) {
    const QString name = fieldName.toUpper();
    if (name == QLatin1String("SUM_ADD_MONEY"))
        return {33, 1, 3, 104};
    if (name == QLatin1String("SUM_RATE_MONEY"))
        return {31};
    if (name == QLatin1String("SUM_CHARGE_MONEY"))
        return {0};
    if (name == QLatin1String("SUM_BAT_MONEY"))
        return {2};
    if (name == QLatin1String("SUM_CHUNA_MONEY"))
        return {30};
    return {};
}

JournalConditions drillConditions(const PersonalRechargeFilter& f, const QString& fieldName,
                                  const QString& empId, const QString& deptNo) {
    JournalConditions c;
    c.kinds = kindsOfField(fieldName);
    c.empId = empId;
    // A row is one employee in one department: an employee who moved has a row per department.
    c.byDepartment = true;
    c.deptNo = deptNo;
    c.begin = QDateTime(f.begin, QTime(0, 0));
    c.end = QDateTime(f.end, QTime(23, 59, 59));
    c.departmentRights = f.department.departmentRights;
    c.userDepartments = f.department.userDepartments;
    return c;
}

} // namespace PersonalRechargeQuery
