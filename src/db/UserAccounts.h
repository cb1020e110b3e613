#pragma once
// The host's user table sys_user: the account row (the log-in check is the
// host's), and the per-action rights kept in its Access column as lines
// "_" + action name + "=" + integer.
// The user id is always bound, never pasted into a statement.
#include <QSqlDatabase>
#include <QString>

#include <optional>

class Session;

struct UserAccount {
    QString userId;
    QString userName;
    QString passwordHash;
    QString access;
    QString departs;
    QString dinroomId;
};

std::optional<UserAccount> loadUserAccount(const QSqlDatabase& db, const QString& userId);

// The value stored under Key in the current user's Access list, "0" when absent.
QString ReadUserRight(const Session& session, const QString& key);
// ReadUserRight as the window Tag: a value that is not an integer raises DbError.
int userRightBits(const Session& session, const QString& actionName);
