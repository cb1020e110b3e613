#include "host/LoginDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

LoginDialog::LoginDialog(const HostLogin& login, const QString& company, QWidget* parent)
    : QDialog(parent), m_login(login), m_userId(new QLineEdit(this)), m_password(new QLineEdit(this)),
      m_message(new QLabel(this)) {
    setObjectName(QStringLiteral("dlgLogin"));
    setWindowTitle(QStringLiteral("系统登录"));
    m_userId->setObjectName(QStringLiteral("edUserId"));
    m_password->setObjectName(QStringLiteral("edPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_message->setObjectName(QStringLiteral("lblMessage"));
    m_message->setStyleSheet(QStringLiteral("color: #b00000"));

    auto* layout = new QVBoxLayout(this);
    if (!company.isEmpty()) {
        auto* title = new QLabel(company, this);
        QFont f = title->font();
        f.setPointSizeF(f.pointSizeF() * 1.3);
        f.setBold(true);
        title->setFont(f);
        title->setAlignment(Qt::AlignCenter);
        layout->addWidget(title);
    }
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("用户名："), m_userId);
    form->addRow(QStringLiteral("密  码："), m_password);
    layout->addLayout(form);
    layout->addWidget(m_message);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("登录"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &LoginDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LoginDialog::reject);
    setMinimumWidth(320);
}

void LoginDialog::setUserId(const QString& id) {
    m_userId->setText(id);
    m_password->setFocus();
}

QString LoginDialog::password() const {
    return m_password->text();
}

void LoginDialog::accept() {
    m_result = m_login.verify(m_userId->text(), m_password->text());
    if (!m_result.accepted()) {
        m_message->setText(m_result.message);
        m_password->clear();
        m_password->setFocus();
        return;
    }
    QDialog::accept();
}
