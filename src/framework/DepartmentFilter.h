#pragma once
// The department-and-date windows' statement rules without widgets: the
// conditions BuildWhere appends, in their order, and the department tree's
// statements and shape.
#include <QString>
#include <QStringList>
#include <QVector>

class Session;

struct DptWhereInput {
    QString sqlTemplate;
    bool fromSearchButton = false; // the sender is the "转到" button
    QString keyText;               // the key box (employee number)
    QString nameText;              // the name box
    QString prefix;                // column prefix, e.g. "E."
    QString employeeColumn;        // empty: "emp_id"
    // Qualifies the department columns where the statement joins another
    // table that has one too (e.g. "a."); empty by default.
    QString departmentPrefix;
    bool departmentSelected = false;
    QString departmentNo; // the selected node's department number
    bool departmentFilter = true;
    bool departmentRights = false; // company parameter cbDepart is true and the user is not Admin
    QStringList userDepartments;   // the codes the user may see (none: nothing matches)
};

namespace DepartmentFilter {
// The statement with the employee, name, department and rights conditions.
// Typed texts go in through the dialect's quoting routine.
QString buildWhere(const DptWhereInput& in, const Session& session);
// Those conditions alone, each beginning with " And " (the template is not used).
QString conditions(const DptWhereInput& in, const Session& session);
// True when the department-rights condition applies to this session.
bool rightsApply(const Session& session);

struct DepartmentRow {
    QString deptno;
    QString deptname;
    QString parentno;
};
struct TreeNode {
    QString text;
    QString deptno;
    int parent = -1; // index of the parent node, -1 for a top-level node
};

QString rootCheckStatement(const Session& session);
QString departmentsStatement(const Session& session, bool withRights);
// Builds the tree: an optional root (company name, data "0"), a node per row
// in statement order, then each row whose parentno is not "0" moved under the
// node of its parent (as the last child).
QVector<TreeNode> buildTree(const QVector<DepartmentRow>& rows, bool withRoot, const QString& rootText);
// Runs the statements and builds the tree.
QVector<TreeNode> loadDepartmentTree(const Session& session);
} // namespace DepartmentFilter
