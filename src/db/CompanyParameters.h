#pragma once
// Company parameters: Name=Value lines in the blob column "parameters" of
// table Company; and the department rights list of the current user.
#include <QString>

class Session;

// The value of Name, or Default when it is empty or the table has no rows.
QString ReadCompanyParameter(const Session& session, const QString& name, const QString& def,
                             const QString& column = QStringLiteral("parameters"));
// A parameter text read as true ("True", "yes", "1", any case).
bool isTrueText(const QString& text);
// A money parameter stored multiplied by 100 and rounded ("edmaxbalance", ...).
qint64 ReadCompanyMoneyParameter(const Session& session, const QString& name);
// "(" departs ")" of the user's sys_user row, or "('0')" when there is none.
QString UserDepartsList(const Session& session);
// Value of Key in Name=Value lines (the first match, names compared without regard to case).
QString valueOfKey(const QString& lines, const QString& key, bool* found = nullptr);
