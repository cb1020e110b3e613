#pragma once
// Company parameters: Name=Value lines in the blob column "parameters" of
// table Company; and the department rights list of the current user.
#include <QString>
#include <QStringList>

class Session;
class SqlDialect;

// The value of Name, or Default when it is empty or the table has no rows.
QString ReadCompanyParameter(const Session& session, const QString& name, const QString& def,
                             const QString& column = QStringLiteral("parameters"));
// A parameter text read as true ("True", "yes", "1", any case).
bool isTrueText(const QString& text);
// A money parameter stored multiplied by 100 and rounded ("edmaxbalance", ...).
qint64 ReadCompanyMoneyParameter(const Session& session, const QString& name);
// The department codes the user may see: the user's sys_user.departs, a list
// of quoted codes ('01','02'). A list that does not read as such is taken as
// no departments (with a trace line), never pasted into a statement.
QStringList UserDepartments(const Session& session);
// The stored list split into codes; false when it is not a list of codes.
bool parseDepartmentList(const QString& stored, QStringList* codes);
// "('01','02')" with every code quoted by the dialect; "('0')" for none, which
// matches no department.
QString departmentInList(const SqlDialect& dialect, const QStringList& codes);

// The company switches the windows read, with their defaults in one place.
namespace CompanySwitch {
// "cbDepart": department rights apply to users other than ADMIN.
bool departmentRights(const Session& session);
// "cbClock": a user with a dining room sees only its terminals.
bool diningRoomRights(const Session& session);
// "IsEMPNO_ABC": employee numbers may hold letters.
bool employeeNumbersWithLetters(const Session& session);
} // namespace CompanySwitch
// Value of Key in Name=Value lines (the first match, names compared without regard to case).
QString valueOfKey(const QString& lines, const QString& key, bool* found = nullptr);
