#include "cashier/ui/CardCenterStatistic.h"

#include "cashier/CashierDocuments.h"
#include "framework/ModuleContext.h"
#include "monthly/ui/SelectMonth.h"
#include "util/Prompter.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>

TfrmCardCenterStatistic::TfrmCardCenterStatistic(ModuleContext& context, QWidget* parent)
    : CashierDocumentWindow(context, QStringLiteral("出纳统计账管理"), parent), m_book(context.session) {
    setObjectName(QStringLiteral("TfrmCardCenterStatistic"));
    ownDataSet(QStringLiteral("dsBalanceStatistic"));
    actDataInsert->setText(QStringLiteral("创建新统计账单"));
    CheckBox1 = new QCheckBox(QStringLiteral("按操作员统计"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setVisible(false);
    addSearchControl(QString(), CheckBox1);
    addSearchControl(QString(), ComboBox1);
    connect(CheckBox1, &QCheckBox::toggled, this, [this](bool on) {
        ComboBox1->setVisible(on);
        guarded([this] { showCurrent(); });
    });
    connect(ComboBox1, &QComboBox::currentTextChanged, this, [this] { guarded([this] { showCurrent(); }); });
    connect(actPost, &QAction::triggered, this, [this] { postMissed(); });
}

QString TfrmCardCenterStatistic::listStatement(QVariantMap* /*params*/) const {
    return CashierBillBook::listStatement();
}

PrintedDocument TfrmCardCenterStatistic::documentFor(const QString& number) {
    if (m_operatorsOf != number) {
        const QSignalBlocker block(ComboBox1);
        ComboBox1->clear();
        ComboBox1->addItem(QStringLiteral("全部"));
        ComboBox1->addItems(m_book.operators(number));
        m_operatorsOf = number;
    }
    const std::optional<CashierBillHead> head = m_book.head(number);
    if (!head)
        return {};
    const QString opuser =
        CheckBox1->isChecked() && ComboBox1->currentIndex() > 0 ? ComboBox1->currentText() : QString();
    const bool perOperator = CheckBox1->isChecked();
    return CashierDocuments::bill(CashierDocuments::siteOf(context().session), *head,
                                  m_book.rows(number, opuser, perOperator), perOperator,
                                  QDate::currentDate());
}

void TfrmCardCenterStatistic::actDataInsertExecute() {
    if (!isAdmin()) {
        prompter().information(QStringLiteral("只有管理员有权限新增收支报表!"));
        return;
    }
    guarded([this] {
        TFrmSelectTimeZ* dialog = periodDialog(m_book.latestEnd(), false);
        if (dialog->exec() != QDialog::Accepted)
            return;
        const QString number = dialog->label();
        const CashierPeriod period{dialog->startDateTime(), dialog->endDateTime()};
        const int stamped = m_book.create(number, period);
        writeLog(QStringLiteral("创建出纳统计账单 %1, %2 笔记录").arg(number, QString::number(stamped)));
        reload(number);
    });
}

void TfrmCardCenterStatistic::postMissed() {
    if (!isAdmin()) {
        prompter().information(QStringLiteral("只有管理员有权限新增收支报表!"));
        return;
    }
    guarded([this] {
        const QString number = currentNumber();
        const int stamped = m_book.post(number);
        writeLog(QStringLiteral("出纳统计账单 %1 漏帐入账 %2 笔记录").arg(number, QString::number(stamped)));
        reload(number);
    });
}

void TfrmCardCenterStatistic::actDataDeleteExecute() {
    deleteCurrent([this](const QString& number) { m_book.remove(number); },
                  QStringLiteral("删除出纳统计账单 %1"));
}
