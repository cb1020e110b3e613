#include "db/OpLog.h"

#include "db/DbError.h"
#include "db/QueryRunner.h"
#include "db/Session.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QSysInfo>

QString opLogComputerName() {
    return QSysInfo::machineHostName().left(15);
}

void WriteOpLog(const Session& session, const QString& message) {
    WriteOpLog(session.ModuleConnection, session.CurrentUserName, message);
}

void WriteOpLog(const QSqlDatabase& connection, const QString& userName, const QString& message) {
    QSqlQuery query(connection);
    if (!query.prepare(
            QStringLiteral("INSERT INTO OpLog (opTime, BeWrite, opUser, opComPuter) VALUES (:opTime, "
                           ":BeWrite, :opUser, :opComputer)")))
        throwQueryError(query);
    query.bindValue(QStringLiteral(":opTime"),
                    QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    query.bindValue(QStringLiteral(":BeWrite"), message);
    query.bindValue(QStringLiteral(":opUser"), userName);
    query.bindValue(QStringLiteral(":opComputer"), opLogComputerName());
    if (!query.exec())
        throwQueryError(query);
}

QString enterModuleMessage(const QString& caption) {
    return QStringLiteral("进入【%1】模块").arg(caption);
}

QString leaveModuleMessage(const QString& caption) {
    return QStringLiteral("退出【%1】模块").arg(caption);
}

QString batchDeleteMessage(int count, const QString& caption) {
    return QStringLiteral("批量删除 %1 笔【%2】记录").arg(QString::number(count), caption);
}
