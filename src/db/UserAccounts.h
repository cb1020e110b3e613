#pragma once
// The host's user table sys_user: the account row (the log-in check is the
// host's), and the per-action rights kept in its Access column as lines
// "_" + action name + "=" + integer.
// The user id is always bound, never pasted into a statement.
#include <QSqlDatabase>
#include <QString>

#include <functional>
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

// Replaces the stored password of `userId` by `hash`, only while the row
// still holds `plainText`; true when it did. Throws DbError on a failed statement.
bool replacePlainTextPassword(const QSqlDatabase& db, const QString& userId, const QString& plainText,
                              const QString& hash);

struct RehashResult {
    int rehashed = 0; // plain-text passwords replaced by their hash
    int hashed = 0;   // already hashed
    int weak = 0;     // hashed with fewer iterations than the floor: they no longer log in
    int empty = 0;    // no password stored: they never log in
};
// Every sys_user password still stored as plain text replaced by its hash
// (`iterations`, PasswordHash::kIterations outside tests). `progress` is
// called with each user id replaced.
RehashResult rehashPlainTextPasswords(const QSqlDatabase& db, int iterations,
                                      const std::function<void(const QString&)>& progress = {});

// The value stored under Key in the current user's Access list, "0" when absent.
QString ReadUserRight(const Session& session, const QString& key);
// ReadUserRight as the window Tag: a value that is not an integer raises DbError.
int userRightBits(const Session& session, const QString& actionName);
