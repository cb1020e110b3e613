#include "framework/ui/DefColumnDialog.h"

#include "dataset/DataSet.h"
#include "framework/GridLayout.h"
#include "util/ModuleFont.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// A page control with one page holding a multi-select list.
QTabWidget* listPage(QWidget* parent, const char* name, const QString& title, QListWidget*& list) {
    auto* tabs = new QTabWidget(parent);
    list = new QListWidget(tabs);
    list->setObjectName(QLatin1String(name));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tabs->addTab(list, title);
    return tabs;
}

QToolButton* moveButton(QWidget* parent, const char* name, const char* text, const char* hint) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(QString::fromUtf8(text));
    if (*hint)
        b->setToolTip(QString::fromUtf8(hint));
    b->setMinimumWidth(40);
    return b;
}

QVector<int> selectedRows(const QListWidget* list) {
    QVector<int> rows;
    for (int r = 0; r < list->count(); ++r)
        if (list->item(r)->isSelected())
            rows.append(r);
    return rows;
}
} // namespace

TfrmDefColumn::TfrmDefColumn(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmDefColumn"));
    setWindowTitle(QStringLiteral("自定义显示列"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);
    setFont(moduleFont());

    QTabWidget* unchosenPage = listPage(this, "ListCols", QStringLiteral("未选择列"), ListCols);
    QTabWidget* chosenPage = listPage(this, "SelCols", QStringLiteral("已经选择列"), SelCols);
    btnSelectAll = moveButton(this, "btnSelectAll", ">>", "全部选定");
    btnSelect = moveButton(this, "btnSelect", "->", "");
    btnUnSelect = moveButton(this, "btnUnSelect", "<-", "");
    btnUnSelectAll = moveButton(this, "btnUnSelectAll", "<<", "");
    btnApply = new QPushButton(QStringLiteral("保存(&A)"), this);
    btnApply->setObjectName(QStringLiteral("btnApply"));
    btnReset = new QPushButton(QStringLiteral("取消(&C)"), this);
    btnReset->setObjectName(QStringLiteral("btnReset"));

    auto* moves = new QVBoxLayout;
    moves->addStretch();
    for (QToolButton* b : {btnSelectAll, btnSelect, btnUnSelect, btnUnSelectAll})
        moves->addWidget(b);
    moves->addStretch();
    auto* lists = new QHBoxLayout;
    lists->addWidget(unchosenPage, 1);
    lists->addLayout(moves);
    lists->addWidget(chosenPage, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnApply);
    buttons->addWidget(btnReset);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
    resize(460, 360);

    connect(ListCols, &QListWidget::itemDoubleClicked, this, &TfrmDefColumn::ListColsDblClick);
    connect(btnSelect, &QToolButton::clicked, this, &TfrmDefColumn::ListColsDblClick);
    connect(SelCols, &QListWidget::itemDoubleClicked, this, &TfrmDefColumn::SelColsDblClick);
    connect(btnUnSelect, &QToolButton::clicked, this, &TfrmDefColumn::SelColsDblClick);
    connect(btnSelectAll, &QToolButton::clicked, this, &TfrmDefColumn::btnSelectAllClick);
    connect(btnUnSelectAll, &QToolButton::clicked, this, &TfrmDefColumn::btnUnSelectAllClick);
    connect(btnApply, &QPushButton::clicked, this, &TfrmDefColumn::btnApplyClick);
    connect(btnReset, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmDefColumn::~TfrmDefColumn() = default;

void TfrmDefColumn::setDataSet(DataSet* dataSet, const QString& layoutKey) {
    m_dataSet = dataSet;
    m_key = layoutKey;
}

void TfrmDefColumn::showEvent(QShowEvent* event) {
    if (m_dataSet)
        m_choice.fill(*m_dataSet);
    refillLists();
    QDialog::showEvent(event);
}

void TfrmDefColumn::refillLists() {
    auto fillList = [](QListWidget* list, const QVector<Field*>& fields) {
        list->clear();
        for (Field* field : fields)
            list->addItem(field->displayLabel());
    };
    fillList(ListCols, m_choice.unchosen());
    fillList(SelCols, m_choice.chosen());
}

void TfrmDefColumn::ListColsDblClick() {
    m_choice.choose(selectedRows(ListCols));
    refillLists();
}

void TfrmDefColumn::SelColsDblClick() {
    m_choice.unchoose(selectedRows(SelCols));
    refillLists();
}

void TfrmDefColumn::btnSelectAllClick() {
    m_choice.chooseAll();
    refillLists();
}

void TfrmDefColumn::btnUnSelectAllClick() {
    m_choice.unchooseAll();
    refillLists();
}

void TfrmDefColumn::btnApplyClick() {
    if (m_dataSet) {
        m_choice.apply();
        GridLayoutStore().save(*m_dataSet, m_key);
    }
    accept();
}

void TfrmDefColumn::done(int result) {
    // Every way out (either button or the close box) leaves the key marked.
    if (!m_key.isEmpty())
        GridLayoutStore().markDefault(m_key);
    QDialog::done(result);
}
