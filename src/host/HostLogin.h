#pragma once
// The host's log-in check against sys_user. The user id is bound, never
// pasted into the statement; an unknown id and a wrong password give the same
// answer so that the dialog does not tell which ids exist.
#include <QSqlDatabase>
#include <QString>

#include <functional>

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

    // A password still stored as plain text (a site's table from before
    // hashing) is accepted once and replaced by its hash in the same step.
    // Each rejection waits before it answers: failureDelayMs, doubled for
    // every further rejection in a row (at most 8 s); an acceptance resets it.
    LoginResult verify(const QString& userId, const QString& password) const;

    static QString rejectedMessage();

    int failureDelayMs = 1000;
    // How the delay is spent (tests count it instead of sleeping).
    std::function<void(int ms)> wait;

private:
    void delayAfterFailure() const;

    QSqlDatabase m_db;
    mutable int m_failures = 0;
};
