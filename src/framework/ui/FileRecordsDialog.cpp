#include "framework/ui/FileRecordsDialog.h"

#include "dataset/DataSet.h"
#include "dataset/grid/ui/DBGrid.h"
#include "db/DbError.h"
#include "util/ModuleFont.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

TdlgFileRecords::TdlgFileRecords(DataSet& rows, const DataSet* labels, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dlgFileRecords"));
    setWindowTitle(QStringLiteral("选定文件内容"));
    setModal(true);
    setFont(moduleFont());

    if (labels)
        for (int i = 0; i < rows.fieldCount(); ++i)
            if (const Field* own = labels->findField(rows.field(i)->fieldName())) {
                rows.field(i)->setDisplayLabel(own->displayLabel());
                rows.field(i)->setVisible(own->visible());
            }

    dgTable = new DBGrid(this);
    dgTable->setObjectName(QStringLiteral("dgTable"));
    dgTable->setDataSet(&rows);
    dgTable->setReadOnly(false);
    dgTable->setEditing(true);
    dgTable->refreshColumns();
    // Enter moves to the next cell, like Tab.
    dgTable->view()->installEventFilter(this);

    btnOK = new QPushButton(QStringLiteral("确定(&O)"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setAutoDefault(false);
    btnCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    connect(btnOK, &QPushButton::clicked, this, [this, &rows] {
        // An edit still open in the grid belongs to the rows imported.
        try {
            rows.post();
        } catch (const DbError&) {
            rows.cancel(); // a value the row cannot hold: the row keeps what it had
        }
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(dgTable, 1);
    layout->addLayout(buttons);
    resize(640, 400);
}

bool TdlgFileRecords::eventFilter(QObject* watched, QEvent* event) {
    if (watched == dgTable->view() && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::NoModifier) {
            QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
            QCoreApplication::sendEvent(dgTable->view(), &tab);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
