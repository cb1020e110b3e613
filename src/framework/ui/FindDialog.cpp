#include "framework/ui/FindDialog.h"

#include "dataset/DataSet.h"
#include "framework/FindCondition.h"
#include "util/ModuleFont.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TdlgFind::TdlgFind(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dlgFind"));
    setWindowTitle(QStringLiteral("查找"));
    setModal(true);
    setFont(moduleFont());

    cbFields = new QComboBox(this);
    cbFields->setObjectName(QStringLiteral("cbFields"));
    cbKind = new QComboBox(this);
    cbKind->setObjectName(QStringLiteral("cbKind"));
    cbKind->addItems(FindCondition::operators());
    cbFindContent = new QLineEdit(this);
    cbFindContent->setObjectName(QStringLiteral("cbFindContent"));
    btnFind = new QPushButton(QStringLiteral("查找(&F)"), this);
    btnFind->setObjectName(QStringLiteral("btnFind"));
    btnFind->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnFind, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    // Enter in the content box closes the dialog with OK.
    connect(cbFindContent, &QLineEdit::returnPressed, this, &QDialog::accept);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("查找字段:"), cbFields);
    form->addRow(QStringLiteral("查找方式:"), cbKind);
    form->addRow(QStringLiteral("查找内容:"), cbFindContent);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnFind);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    setMinimumWidth(300);
}

void TdlgFind::bind(DataSet* dataSet) {
    QStringList names;
    for (int i = 0; dataSet && i < dataSet->fieldCount(); ++i)
        names << dataSet->field(i)->fieldName();
    if (dataSet == m_dataSet && names == m_boundNames && cbFields->count() > 0)
        return;
    m_dataSet = dataSet;
    m_boundNames = names;
    cbFields->clear();
    if (!dataSet)
        return;
    for (int i = 0; i < dataSet->fieldCount(); ++i) {
        const Field* field = dataSet->field(i);
        if (field->isCalculated() || FindCondition::excludedFromFind(field->fieldName()))
            continue;
        cbFields->addItem(field->displayLabel(), field->fieldName());
    }
}

QString TdlgFind::fieldName() const {
    return cbFields->currentIndex() < 0 ? QString() : cbFields->currentData().toString();
}

QString TdlgFind::fieldLabel() const {
    return cbFields->currentText();
}

QString TdlgFind::findKind() const {
    return cbKind->currentText();
}

QString TdlgFind::findContent() const {
    return cbFindContent->text().trimmed();
}

void TdlgFind::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (parentWidget()) {
        QRect r = frameGeometry();
        r.moveCenter(parentWidget()->window()->frameGeometry().center());
        move(r.topLeft());
    }
    cbFindContent->setFocus();
}
