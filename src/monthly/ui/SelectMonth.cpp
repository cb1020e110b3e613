#include "monthly/ui/SelectMonth.h"

#include "util/Prompter.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>

TFrmSelectMonth::TFrmSelectMonth(Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_prompter(prompter) {
    build(QStringLiteral("选择月结账单月份"));
}

TFrmSelectMonth::TFrmSelectMonth(Prompter& prompter, const QString& caption, QWidget* parent)
    : QDialog(parent), m_prompter(prompter) {
    build(caption);
}

void TFrmSelectMonth::build(const QString& caption) {
    setObjectName(QStringLiteral("FrmSelectMonth"));
    setWindowTitle(caption);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedHeight(200);
    auto* grid = new QGridLayout(this);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(10);
    const QDateTime now = QDateTime::currentDateTime();
    Edit1->setText(now.toString(QStringLiteral("yyyy-MM")));
    auto dateEdit = [this](const char* name, const QDate& date) {
        auto* e = new QDateEdit(date, this);
        e->setObjectName(QString::fromLatin1(name));
        e->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        e->setCalendarPopup(true);
        return e;
    };
    auto timeEdit = [this](const char* name, const QTime& time) {
        auto* e = new QTimeEdit(time, this);
        e->setObjectName(QString::fromLatin1(name));
        e->setDisplayFormat(QStringLiteral("HH:mm:ss"));
        e->setEnabled(false);
        return e;
    };
    DTStartDate = dateEdit("DTStartDate", now.date());
    DTStartTime = timeEdit("DTStartTime", QTime(0, 0, 0));
    DTEndDate = dateEdit("DTEndDate", now.date());
    DTEndTime = timeEdit("DTEndTime", QTime(23, 59, 59));
    grid->addWidget(new QLabel(QStringLiteral("输入账单编号"), this), 0, 0);
    grid->addWidget(Edit1, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("选择账单时间段        "), this), 1, 0);
    grid->addWidget(DTStartDate, 1, 1);
    grid->addWidget(DTStartTime, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("至"), this), 2, 0, Qt::AlignRight);
    grid->addWidget(DTEndDate, 2, 1);
    grid->addWidget(DTEndTime, 2, 2);
    auto* buttons = new QHBoxLayout;
    btnOK = new QPushButton(QStringLiteral("确定(&O)"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    grid->addLayout(buttons, 3, 0, 1, 3);
    connect(btnOK, &QPushButton::clicked, this, &TFrmSelectMonth::okClicked);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmSelectMonth* TFrmSelectMonth::instance(Prompter& prompter, QWidget* parent) {
    static QPointer<TFrmSelectMonth> one;
    if (!one)
        one = new TFrmSelectMonth(prompter, parent);
    return one;
}

QString TFrmSelectMonth::label() const {
    return Edit1->text();
}

void TFrmSelectMonth::okClicked() {
    m_start = QDateTime(DTStartDate->date(), DTStartTime->time());
    m_end = QDateTime(DTEndDate->date(), DTEndTime->time());
    if (m_start <= m_end) {
        accept();
        return;
    }
    m_prompter.information(QStringLiteral("开始日期时间不能大于结束日期时间！"));
}

TFrmSelectTimeZ::TFrmSelectTimeZ(Prompter& prompter, QWidget* parent)
    : TFrmSelectMonth(prompter, QStringLiteral("选择结算统计时段"), parent) {
    setObjectName(QStringLiteral("FrmSelectTimeZ"));
}

TFrmSelectTimeZ* TFrmSelectTimeZ::instance(Prompter& prompter, QWidget* parent) {
    static QPointer<TFrmSelectTimeZ> one;
    if (!one)
        one = new TFrmSelectTimeZ(prompter, parent);
    return one;
}
