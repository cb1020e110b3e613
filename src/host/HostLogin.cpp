#include "host/HostLogin.h"

#include "db/DbError.h"
#include "db/PasswordHash.h"
#include "db/UserAccounts.h"

#include <QThread>

QString HostLogin::rejectedMessage() {
    return QStringLiteral("用户名或密码错误，请重新输入！");
}

void HostLogin::delayAfterFailure() const {
    constexpr int kLongestMs = 8000;
    const int doublings = qMin(m_failures, 4);
    ++m_failures;
    const int ms = qMin(qint64(failureDelayMs) << doublings, qint64(kLongestMs));
    if (ms <= 0)
        return;
    if (wait)
        wait(ms);
    else
        QThread::msleep(ulong(ms));
}

LoginResult HostLogin::verify(const QString& userId, const QString& password) const {
    LoginResult result;
    const QString id = userId.trimmed();
    if (id.isEmpty()) {
        result.message = QStringLiteral("请输入用户名！");
        return result;
    }
    try {
        const auto account = loadUserAccount(m_db, id);
        if (!account) {
            // Spend the same time as a real check so the answer does not reveal
            // whether the id exists.
            static const QString dummy = PasswordHash::make(QStringLiteral("-"));
            PasswordHash::verify(password, dummy);
            result.message = rejectedMessage();
            delayAfterFailure();
            return result;
        }
        bool matches = PasswordHash::verify(password, account->passwordHash);
        if (!matches && PasswordHash::matchesPlainText(password, account->passwordHash)) {
            // Only the row still holding that plain text is changed.
            matches = replacePlainTextPassword(m_db, account->userId, account->passwordHash,
                                               PasswordHash::make(password));
        }
        if (!matches) {
            result.message = rejectedMessage();
            delayAfterFailure();
            return result;
        }
        m_failures = 0;
        result.status = LoginResult::Accepted;
        result.userId = account->userId.isEmpty() ? id : account->userId;
        result.userName = account->userName.trimmed().isEmpty() ? result.userId : account->userName;
        return result;
    } catch (const DbError& e) {
        result.status = LoginResult::DatabaseError;
        result.message = QStringLiteral("读取用户资料失败: ") + e.message();
        return result;
    }
}
