#include "framework/ui/FilterDialog.h"

#include "dataset/DataSet.h"
#include "db/DbError.h"
#include "framework/FilterStatement.h"
#include "util/ModuleFont.h"
#include "util/Prompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TdlgFilter::TdlgFilter(Prompter& prompter, QWidget* parent) : QDialog(parent), m_prompter(prompter) {
    setObjectName(QStringLiteral("dlgFilter"));
    setWindowTitle(QStringLiteral("数据筛选"));
    setModal(true);
    setFont(moduleFont());

    auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    cbFields = new QComboBox(this);
    named(cbFields, "cbFields");
    cbOperator = new QComboBox(this);
    named(cbOperator, "cbOperator");
    edValue = new QLineEdit(this);
    named(edValue, "edValue");
    edMaxValue = new QLineEdit(this);
    named(edMaxValue, "edMaxValue");
    lbMaxValue = new QLabel(QStringLiteral("和值(大):"), this);
    named(lbMaxValue, "lbMaxValue");
    btnADD = new QPushButton(QStringLiteral("加入条件(&A)"), this);
    named(btnADD, "btnADD");
    rbAnd = new QRadioButton(QStringLiteral("与"), this);
    named(rbAnd, "rbAnd");
    rbAnd->setChecked(true);
    rbOr = new QRadioButton(QStringLiteral("或"), this);
    named(rbOr, "rbOr");
    // Both check boxes stay hidden: the label form is always used, and the
    // memo is always editable.
    cbUseLabel = new QCheckBox(QStringLiteral("使用中文字段名(&Z)"), this);
    named(cbUseLabel, "cbUseLabel");
    cbUseLabel->setChecked(true);
    cbUseLabel->setVisible(false);
    cbShowFilter = new QCheckBox(QStringLiteral("修改筛选语句"), this);
    named(cbShowFilter, "cbShowFilter");
    cbShowFilter->setVisible(false);
    meFilter = new QPlainTextEdit(this);
    named(meFilter, "meFilter");
    meFilter->setToolTip(QStringLiteral("实际筛选语句, 可编辑, 如果出现语法错误, 请查阅ADO说明"));
    btnClear = new QPushButton(QStringLiteral("清除语句"), this);
    named(btnClear, "btnClear");
    btnOk = new QPushButton(QStringLiteral("确定(&O)"), this);
    named(btnOk, "btnOk");
    btnCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    named(btnCancel, "btnCancel");

    auto* upper = new QGridLayout;
    upper->addWidget(new QLabel(QStringLiteral("可选字段:"), this), 0, 0);
    upper->addWidget(cbFields, 0, 1);
    upper->addWidget(new QLabel(QStringLiteral("条件:"), this), 0, 2);
    upper->addWidget(cbOperator, 0, 3);
    upper->addWidget(new QLabel(QStringLiteral("值(小):"), this), 1, 0);
    upper->addWidget(edValue, 1, 1);
    upper->addWidget(lbMaxValue, 1, 2);
    upper->addWidget(edMaxValue, 1, 3);
    auto* joins = new QHBoxLayout;
    joins->addWidget(rbAnd);
    joins->addWidget(rbOr);
    joins->addWidget(cbUseLabel);
    joins->addWidget(cbShowFilter);
    joins->addStretch();
    joins->addWidget(btnADD);
    upper->addLayout(joins, 2, 0, 1, 4);
    auto* memoBox = new QGroupBox(QStringLiteral("筛选语句"), this);
    auto* memoLayout = new QVBoxLayout(memoBox);
    memoLayout->addWidget(meFilter);
    auto* lower = new QHBoxLayout;
    lower->addWidget(btnClear);
    lower->addStretch();
    lower->addWidget(btnOk);
    lower->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(upper);
    layout->addWidget(memoBox, 1);
    layout->addLayout(lower);
    resize(520, 340);

    connect(cbFields, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { fieldChanged(); });
    connect(cbOperator, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { operatorChanged(); });
    connect(btnADD, &QPushButton::clicked, this, [this] { addCondition(); });
    connect(cbUseLabel, &QCheckBox::toggled, this, [this] { useLabelClicked(); });
    connect(btnClear, &QPushButton::clicked, this, [this] { clearMemo(); });
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, [this] {
        clearMemo();
        reject();
    });
    edValue->installEventFilter(this);
    edMaxValue->installEventFilter(this);
    operatorChanged();
}

void TdlgFilter::bind(DataSet* dataSet, bool advancedQuery) {
    m_dataSet = dataSet;
    m_advanced = advancedQuery;
    cbFields->clear();
    meFilter->setReadOnly(false);
    setWindowTitle(advancedQuery ? QStringLiteral("高级查询") : QStringLiteral("数据筛选"));
    if (!dataSet)
        return;
    if (!advancedQuery) {
        // A filter a new query switched off is not shown as in force.
        const QString active = dataSet->filtered() ? dataSet->filter() : QString();
        meFilter->setPlainText(cbUseLabel->isChecked() ? FilterStatement::toLabelForm(active, *dataSet)
                                                       : FilterStatement::toFieldForm(active, *dataSet));
    }
    for (Field* f : FilterStatement::offeredFields(*dataSet))
        cbFields->addItem(f->displayLabel(), f->fieldName());
    if (cbFields->count() > 0)
        cbFields->setCurrentIndex(0);
    fieldChanged();
}

bool TdlgFilter::chooseField(const QString& fieldName) {
    const int i = cbFields->findData(fieldName);
    if (i >= 0)
        cbFields->setCurrentIndex(i);
    return i >= 0;
}

bool TdlgFilter::chooseOperator(const QString& op) {
    const int i = cbOperator->findText(op);
    if (i >= 0)
        cbOperator->setCurrentIndex(i);
    return i >= 0;
}

void TdlgFilter::fieldChanged() {
    const QString current = cbOperator->currentText();
    cbOperator->clear();
    const Field* f = m_dataSet && cbFields->currentIndex() >= 0
                         ? m_dataSet->findField(cbFields->currentData().toString())
                         : nullptr;
    cbOperator->addItems(f ? FilterStatement::operatorsFor(*f)
                           : QStringList{QStringLiteral("="), QStringLiteral("<>"), QStringLiteral("like")});
    const int keep = cbOperator->findText(current);
    cbOperator->setCurrentIndex(keep >= 0 ? keep : 0);
    operatorChanged();
}

void TdlgFilter::operatorChanged() {
    const bool between = cbOperator->currentText() == FilterStatement::kBetween;
    edMaxValue->setVisible(between);
    lbMaxValue->setVisible(between);
}

bool TdlgFilter::addCondition() {
    if (!m_dataSet || cbFields->currentIndex() < 0)
        return false;
    const Field* f = m_dataSet->findField(cbFields->currentData().toString());
    if (!f)
        return false;
    FilterStatement::Choice choice;
    choice.field = f;
    choice.op = cbOperator->currentText();
    choice.value = edValue->text();
    choice.maxValue = edMaxValue->text();
    QString condition;
    try {
        condition = FilterStatement::condition(*m_dataSet, choice, cbUseLabel->isChecked());
    } catch (const DbError& e) {
        m_prompter.error(e.message());
        return false;
    }
    if (condition.isEmpty())
        return false;
    meFilter->setPlainText(
        FilterStatement::addedToMemo(meFilter->toPlainText(), condition, rbOr->isChecked()));
    cbOperator->setCurrentIndex(0);
    edValue->clear();
    edMaxValue->clear();
    operatorChanged();
    return true;
}

QString TdlgFilter::statement() const {
    return m_dataSet ? FilterStatement::statementFromMemo(meFilter->toPlainText(), *m_dataSet) : QString();
}

void TdlgFilter::clearMemo() {
    meFilter->clear();
}

void TdlgFilter::useLabelClicked() {
    if (!m_dataSet)
        return;
    const QString text = meFilter->toPlainText();
    meFilter->setPlainText(cbUseLabel->isChecked() ? FilterStatement::toLabelForm(text, *m_dataSet)
                                                   : FilterStatement::toFieldForm(text, *m_dataSet));
}

bool TdlgFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter adds the condition: in the value box unless "between"
            // waits for its upper value, in the upper value box only then.
            const bool between = cbOperator->currentText() == FilterStatement::kBetween;
            if ((watched == edValue && !between) || (watched == edMaxValue && between))
                addCondition();
            return true; // never the dialog's default button
        }
    }
    return QDialog::eventFilter(watched, event);
}
