#include "allowance/AllowanceIssue.h"

#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "db/QueryRunner.h"
#include "db/Session.h"
#include "framework/DepartmentFilter.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSqlQuery>

namespace AllowanceIssueText {
QString zeroAmount() {
    return QStringLiteral("补贴金额不能为0！");
}
QString aboveMaximum() {
    return QStringLiteral("补贴金额不能大于系统参数中定义的卡上最大可能余额");
}
QString nobodyChosen() {
    return QStringLiteral("尚未选择人员!");
}
QString badAmount() {
    return QStringLiteral("补贴金额必须是不超过两位小数的非负数!");
}
QString notePlaceholder() {
    return QStringLiteral("这里输入补贴说明");
}
} // namespace AllowanceIssueText

void IssueCandidateFilter::applyRights(const Session& session) {
    departmentRights = DepartmentFilter::rightsApply(session);
    userDepartments = departmentRights ? UserDepartments(session) : QStringList();
}

namespace AllowanceIssue {

QString candidateStatement(const IssueCandidateFilter& f, const Session& session) {
    const SqlDialect dialect = session.dialect();
    QString sql = QStringLiteral(" SELECT E.empno,E.card_id,E.empname,E.deptname,E.deptno,E.sys_id,E.over_pwd"
                                 " FROM hum_Employee AS E  where  1=1");
    switch (f.by) {
    case IssueCandidateFilter::By::Department:
        // Numbers below the node begin with its number: a prefix match, the
        // operator's text taken literally.
        sql += QStringLiteral(" and (E.deptno like %1) ").arg(dialect.likePrefix(f.departmentNo));
        break;
    case IssueCandidateFilter::By::EmpNo:
        sql += QStringLiteral(" and E.empno=%1 ").arg(dialect.quote(f.text.trimmed()));
        break;
    case IssueCandidateFilter::By::EmpName:
        sql += QStringLiteral(" and E.empname=%1 ").arg(dialect.quote(f.text.trimmed()));
        break;
    case IssueCandidateFilter::By::Everyone:
        sql += QStringLiteral(" and E.deptno = E.deptno ");
        break;
    }
    if (f.departmentRights)
        sql += QStringLiteral(" and E.deptno in %1").arg(departmentInList(dialect, f.userDepartments));
    sql += QStringLiteral(" and  E.issued=1");
    if (f.cardType != 0)
        sql += QStringLiteral(" and E.cardtype=%1").arg(f.cardType);
    sql += QStringLiteral(" and E.card_id in (select card_id from cardinfo where cardstatus = 3)"
                          " ORDER BY E.empno ");
    return sql;
}

QVector<IssueEmployee> loadCandidates(const IssueCandidateFilter& filter, const Session& session) {
    QSqlQuery q(session.ModuleConnection);
    q.setForwardOnly(true);
    session.runner().RunQuery(q, candidateStatement(filter, session), true);
    QVector<IssueEmployee> rows;
    while (q.next()) {
        IssueEmployee e;
        e.empNo = q.value(0).toString();
        e.cardId = q.value(1).toLongLong();
        e.empName = q.value(2).toString();
        e.deptName = q.value(3).toString();
        e.deptNo = q.value(4).toString();
        e.sysId = q.value(5).toLongLong();
        e.overPwd = q.value(6).toString();
        rows << e;
    }
    return rows;
}

QVector<QPair<int, QString>> cardTypes(const Session& session) {
    QSqlQuery q(session.ModuleConnection);
    session.runner().RunQuery(
        q, QStringLiteral("select 0 as SortID,'全部' as name union select SortID,name from cardtype"), true);
    QVector<QPair<int, QString>> types;
    while (q.next())
        types.append({q.value(0).toInt(), q.value(1).toString()});
    return types;
}

std::optional<Currency> parseAmount(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^\\+?(\\d{1,9})(\\.(\\d*))?$"));
    const QRegularExpressionMatch m = plain.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    QString decimals = m.captured(3);
    while (decimals.endsWith(QLatin1Char('0')))
        decimals.chop(1);
    Currency amount;
    if (decimals.size() > 2 || !Currency::parse(text.trimmed(), amount))
        return std::nullopt;
    return amount;
}

QString refusal(Currency amount, qint64 maxAmountCents, int chosen) {
    if (amount == Currency())
        return AllowanceIssueText::zeroAmount();
    if (amount.units() > maxAmountCents * (Currency::Scale / 100))
        return AllowanceIssueText::aboveMaximum();
    if (chosen <= 0)
        return AllowanceIssueText::nobodyChosen();
    return QString();
}

QString noteText(const QString& typed) {
    return typed == AllowanceIssueText::notePlaceholder() ? QString() : typed;
}

QDate defaultValidDate(const QString& setting, const QDate& today, const QDate& current) {
    const std::optional<qint64> n = SqlDialect::parseInteger(setting, 0, 14);
    return n ? today.addMonths(int(*n) + 1) : current;
}

} // namespace AllowanceIssue

AllowanceIssueRun::AllowanceIssueRun(const QSqlDatabase& db, const QueryRunner& runner, Currency amount,
                                     const QDateTime& validUntil, const QString& note, const QString& opUser)
    : m_runner(runner), m_inserter(db, m_runner), m_amount(amount), m_validUntil(validUntil), m_note(note),
      m_opUser(opUser) {}

int AllowanceIssueRun::issueSlice(const QVector<IssueEmployee>& people, int from, int budgetMs,
                                  QString* failure) {
    QElapsedTimer clock;
    clock.start();
    int issued = 0;
    for (int i = from; i < people.size(); ++i) {
        const IssueEmployee& e = people[i];
        NewAllowance a;
        a.empId = e.empNo;
        a.sysId = e.sysId;
        a.cardId = e.cardId;
        a.deposit = m_amount;
        a.validUntil = m_validUntil;
        a.deptNo = e.deptNo;
        a.deptName = e.deptName;
        a.empName = e.empName;
        a.opUser = m_opUser;
        a.opDate = QDateTime::currentDateTime();
        a.memo = m_note;
        try {
            m_inserter.insert(a);
        } catch (const DbError& error) {
            *failure = error.message();
            break;
        }
        ++issued;
        if (clock.elapsed() >= budgetMs)
            break;
    }
    return issued;
}
