#pragma once
// The operation log: one row of the host table OpLog per user operation
// (windows entered and left, records inserted, edited, deleted, imported).
#include <QString>

class QSqlDatabase;
class Session;

// Inserts one OpLog row: the local time, `message`, the operator name and this
// computer's name (15 characters at most). A database error is raised again
// as a DbError with the same message text; the logged operation has already
// happened by then.
void WriteOpLog(const Session& session, const QString& message);
// The same on a worker's own connection, for the operator `userName`.
void WriteOpLog(const QSqlDatabase& connection, const QString& userName, const QString& message);

// The computer name as OpLog stores it.
QString opLogComputerName();

// "进入【caption】模块" / "退出【caption】模块"
QString enterModuleMessage(const QString& caption);
QString leaveModuleMessage(const QString& caption);
// "批量删除 N 笔【caption】记录"
QString batchDeleteMessage(int count, const QString& caption);
