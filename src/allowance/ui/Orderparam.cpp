#include "allowance/ui/Orderparam.h"

#include "allowance/OrderParams.h"
#include "db/DbError.h"
#include "framework/ModuleContext.h"
#include "util/Prompter.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using allowance::OrderParams;
using allowance::RestDays;

TfrmOrderparam::TfrmOrderparam(ModuleContext& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("frmOrderparam"));
    setWindowTitle(QStringLiteral("定餐参数设置"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    auto* weekGroup = new QGroupBox(QStringLiteral("周参数设置"), this);
    auto* weekLayout = new QVBoxLayout(weekGroup);
    weekLayout->addWidget(new QLabel(QStringLiteral("请选择休息日"), weekGroup));
    auto* weekRow = new QHBoxLayout;
    const char* const names[] = {"星期天", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};
    for (int i = 0; i < 7; ++i) {
        auto* box = new QCheckBox(QString::fromUtf8(names[i]), weekGroup);
        box->setObjectName(QStringLiteral("chb%1").arg(i + 1));
        m_week.append(box);
        weekRow->addWidget(box);
    }
    weekLayout->addLayout(weekRow);
    layout->addWidget(weekGroup);

    auto* monthGroup = new QGroupBox(QStringLiteral("月参数设置"), this);
    auto* monthLayout = new QVBoxLayout(monthGroup);
    monthLayout->addWidget(new QLabel(QStringLiteral("请选择休息日"), monthGroup));
    auto* grid = new QGridLayout;
    for (int day = 1; day <= 31; ++day) {
        auto* box = new QCheckBox(QStringLiteral("%1号").arg(day), monthGroup);
        box->setObjectName(QStringLiteral("cb%1").arg(day, 2, 10, QLatin1Char('0')));
        m_month.append(box);
        grid->addWidget(box, (day - 1) / 7, (day - 1) % 7);
    }
    monthLayout->addLayout(grid);
    layout->addWidget(monthGroup);

    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &TfrmOrderparam::okClicked);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    try {
        const RestDays days = OrderParams(m_context.session).load();
        for (int i = 0; i < 7; ++i)
            m_week[i]->setChecked(days.weekdays.contains(i + 1));
        for (int i = 0; i < 31; ++i)
            m_month[i]->setChecked(days.monthDays.contains(i + 1));
    } catch (const DbError& e) {
        try {
            m_context.session.trace().write(QStringLiteral("创建出错!\n\r") + e.message());
        } catch (const DbError&) {
        }
    }
}

void TfrmOrderparam::okClicked() {
    RestDays days;
    for (int i = 0; i < 7; ++i)
        if (m_week[i]->isChecked())
            days.weekdays.insert(i + 1);
    for (int i = 0; i < 31; ++i)
        if (m_month[i]->isChecked())
            days.monthDays.insert(i + 1);
    try {
        OrderParams(m_context.session).save(days);
    } catch (const DbError& e) {
        m_context.prompter->error(e.message());
        return;
    }
    accept();
}
