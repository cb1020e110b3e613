#include "reports/stats/GoodsSalesQuery.h"

#include "db/CompanyParameters.h"
#include "db/Session.h"

namespace GoodsSalesQuery {

QString statement(const GoodsSalesFilter& f, const Session& session) {
    const SqlDialect d = session.dialect();
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    QString where = QStringLiteral(" and M.sign_time >=%1 And M.sign_time <=%2")
                        .arg(d.quote(f.begin.toString(format)), d.quote(f.end.toString(format)));
    if (f.departmentRights)
        where += QStringLiteral(" and M.deptno in  %1").arg(departmentInList(d, f.userDepartments));
    if (f.terminalsSelected) {
        QStringList ids;
        for (const qint64 id : f.terminals)
            ids << QString::number(id);
        where += QStringLiteral(" and  M.clock_id in (%1) ")
                     .arg(ids.isEmpty() ? QStringLiteral("-1") : ids.join(QLatin1Char(',')));
    }
    if (!f.articleName.trimmed().isEmpty())
        where += QStringLiteral(" and  storename in (%1) ").arg(d.quote(f.articleName.trimmed()));
    if (!f.dinRoom.trimmed().isEmpty())
        where += QStringLiteral(" and M.clock_id in (select  clock_id from clocks where dinroom_id=%1)")
                     .arg(d.quote(f.dinRoom.trimmed()));
    // Without the price column an article's prices are summed into one row.
    const QString price =
        f.byPrice ? QStringLiteral(", v.Price")
                  : QStringLiteral(", %1 as Price").arg(SqlDialect::moneySum(QStringLiteral("sum(v.Price)")));
    return QStringLiteral(
               " select s.storeno,s.storename %1, min(sign_time) as startTime, max(sign_time) as "
               "end_time,sum(Amount) as sum_Count,%2 as sum_Money  from storedetail v, MealRecords m, "
               "store s where m.pos_sequ = v.devno and m.Clock_id = v.Clock_id and  v.storeno = "
               "s.storeno %3 group by s.storeno,s.storename %4")
        .arg(price, SqlDialect::moneySum(QStringLiteral("sum(v.price * Amount)")), where,
             f.byPrice ? QStringLiteral(", v.Price") : QString());
}

} // namespace GoodsSalesQuery
