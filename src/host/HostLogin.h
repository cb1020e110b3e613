#pragma once
// The host's log-in check against sys_user. The user id is bound, never
// pasted into the statement; an unknown id and a wrong password give the same
// answer so that the dialog does not tell which ids exist.
#include <QSqlDatabase>
#include <QString>

struct LoginResult {
    enum Status { Accepted, Rejected, DatabaseError };
    Status status = Rejected;
    QString userId;   // as stored in sys_user
    QString userName; // UserName, or the id when the name is empty
    QString message;  // what the operator is told when not accepted

    bool accepted() const { return status == Accepted; }
};

class HostLogin {
public:
    explicit HostLogin(const QSqlDatabase& db) : m_db(db) {}

    LoginResult verify(const QString& userId, const QString& password) const;

    static QString rejectedMessage();

private:
    QSqlDatabase m_db;
};
