#pragma once
// The log-in dialog: user id and password, checked by HostLogin. The dialog
// stays open after a rejected attempt and says why.
#include "host/HostLogin.h"

#include <QDialog>

class QLabel;
class QLineEdit;

class LoginDialog : public QDialog {
    Q_OBJECT
public:
    LoginDialog(const HostLogin& login, const QString& company, QWidget* parent = nullptr);

    void setUserId(const QString& id);
    // The accepted log-in, valid after exec() returned Accepted.
    const LoginResult& loginResult() const { return m_result; }
    QString password() const;

public slots:
    void accept() override;

private:
    const HostLogin& m_login;
    QLineEdit* m_userId;
    QLineEdit* m_password;
    QLabel* m_message;
    LoginResult m_result;
};
