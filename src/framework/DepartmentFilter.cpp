#include "framework/DepartmentFilter.h"

#include "db/CompanyParameters.h"
#include "db/Session.h"

#include <QHash>
#include <QSqlQuery>

namespace DepartmentFilter {

bool rightsApply(const Session& session) {
    return CompanySwitch::departmentRights(session) && !session.isAdmin();
}

QString buildWhere(const DptWhereInput& in, const Session& session) {
    QString sql = in.sqlTemplate;
    if (!sql.toUpper().contains(QLatin1String("WHERE")))
        sql = QStringLiteral("%1 WHERE 1 = 1 ").arg(sql);
    return sql + conditions(in, session);
}

QString conditions(const DptWhereInput& in, const Session& session) {
    const SqlDialect dialect = session.dialect();
    QString sql;
    if (in.fromSearchButton) {
        const QString column = in.employeeColumn.isEmpty() ? QStringLiteral("emp_id") : in.employeeColumn;
        if (!in.keyText.trimmed().isEmpty())
            sql += QStringLiteral(" And %1%2 = %3").arg(in.prefix, column, dialect.quote(in.keyText));
        if (!in.nameText.trimmed().isEmpty())
            sql += QStringLiteral(" And %1empname = %2").arg(in.prefix, dialect.quote(in.nameText));
    } else if (in.departmentSelected && in.departmentFilter) {
        // A department includes its sub-departments, whose numbers extend its own.
        sql += QStringLiteral(" And %1Deptno like %2")
                   .arg(in.departmentPrefix, dialect.likePrefix(in.departmentNo));
    }
    if (in.departmentRights)
        sql += QStringLiteral(" AND %1deptno in %2")
                   .arg(in.departmentPrefix, departmentInList(dialect, in.userDepartments));
    return sql;
}

QString rootCheckStatement(const Session& session) {
    const SqlDialect d = session.dialect();
    return QStringLiteral("SELECT deptno,deptname,parentno FROM hum_Department where 1 = 1 ") +
           QStringLiteral(" and ") + d.nullFunction() + QStringLiteral("(sortno, 0) = 1 and ") +
           d.lengthFunction() + QStringLiteral("(deptno) in (2,3)");
}

QString departmentsStatement(const Session& session, bool withRights) {
    const SqlDialect d = session.dialect();
    QString base = QStringLiteral("SELECT deptno,deptname,parentno FROM hum_Department where 1 = 1 ");
    if (withRights)
        base = QStringLiteral("%1 and Deptno in %2").arg(base, departmentInList(d, UserDepartments(session)));
    return base + QStringLiteral(" and ") + d.nullFunction() +
           QStringLiteral("(sortno, 0) <> 1 order by deptno");
}

QVector<TreeNode> buildTree(const QVector<DepartmentRow>& rows, bool withRoot, const QString& rootText) {
    QVector<TreeNode> nodes;
    int root = -1;
    if (withRoot) {
        nodes.append({rootText, QStringLiteral("0"), -1});
        root = 0;
    }
    QHash<QString, int> byDept;
    for (const DepartmentRow& r : rows) {
        const QString no = r.deptno.trimmed();
        nodes.append({r.deptname, no, root});
        if (!byDept.contains(no))
            byDept.insert(no, int(nodes.size()) - 1);
    }
    for (const DepartmentRow& r : rows) {
        const QString parent = r.parentno.trimmed();
        if (parent == QLatin1String("0") || parent.isEmpty())
            continue;
        const int child = byDept.value(r.deptno.trimmed(), -1);
        const int target = byDept.value(parent, -1);
        // A department never moves under itself or under one of its own descendants.
        bool cycle = child == target;
        for (int p = target; p >= 0 && !cycle; p = nodes[p].parent)
            cycle = p == child;
        if (child >= 0 && target >= 0 && !cycle)
            nodes[child].parent = target;
    }
    return nodes;
}

QVector<TreeNode> loadDepartmentTree(const Session& session) {
    const auto read = [&](const QString& sql) {
        QVector<DepartmentRow> rows;
        QSqlQuery q(session.ModuleConnection);
        session.runner().RunQuery(q, sql, true);
        while (q.next())
            rows.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString()});
        return rows;
    };
    const bool withRoot = read(rootCheckStatement(session)).size() == 1;
    const QVector<DepartmentRow> rows = read(departmentsStatement(session, rightsApply(session)));
    return buildTree(rows, withRoot, session.CompanyDisplayName);
}

} // namespace DepartmentFilter
