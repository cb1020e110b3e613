#include "allowance/ui/PickLists.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
QTableView* makeView(QStandardItemModel* model, const QString& name, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setObjectName(name);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->setDefaultSectionSize(20);
    view->horizontalHeader()->setDefaultSectionSize(72);
    view->verticalHeader()->hide();
    return view;
}
} // namespace

PickLists::PickLists(const QStringList& columns, const QString& candidateCaption,
                     const QString& chosenCaption, QWidget* parent)
    : QWidget(parent), m_candidateCaption(candidateCaption), m_chosenCaption(chosenCaption) {
    m_candidateModel = new QStandardItemModel(0, int(columns.size()), this);
    m_chosenModel = new QStandardItemModel(0, int(columns.size()), this);
    m_candidateModel->setHorizontalHeaderLabels(columns);
    m_chosenModel->setHorizontalHeaderLabels(columns);

    m_candidateBox = new QGroupBox(this);
    m_chosenBox = new QGroupBox(this);
    m_candidates = makeView(m_candidateModel, QStringLiteral("ListEmp"), m_candidateBox);
    m_chosen = makeView(m_chosenModel, QStringLiteral("SelEmp"), m_chosenBox);
    for (auto [box, view] : {std::pair{m_candidateBox, m_candidates}, std::pair{m_chosenBox, m_chosen}}) {
        auto* l = new QVBoxLayout(box);
        l->setContentsMargins(2, 2, 2, 2);
        l->addWidget(view);
    }

    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    const struct {
        const char* text;
        const char* name;
        void (PickLists::*slot)();
    } defs[] = {{">>", "btnAll", &PickLists::moveAll},
                {"->", "btnSelect", &PickLists::moveSelected},
                {"<-", "btnBack", &PickLists::returnSelected},
                {"<<", "btnBackAll", &PickLists::returnAll}};
    for (const auto& d : defs) {
        auto* b = new QToolButton(this);
        b->setText(QString::fromLatin1(d.text));
        b->setObjectName(QString::fromLatin1(d.name));
        b->setMinimumWidth(40);
        connect(b, &QToolButton::clicked, this, d.slot);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    connect(m_candidates, &QTableView::doubleClicked, this, [this] { moveSelected(); });
    connect(m_chosen, &QTableView::doubleClicked, this, [this] { returnSelected(); });

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_candidateBox, 1);
    layout->addLayout(buttons);
    layout->addWidget(m_chosenBox, 1);
    updateCaptions();
}

QStringList PickLists::rowAt(const QStandardItemModel* model, int row) {
    QStringList cells;
    for (int c = 0; c < model->columnCount(); ++c)
        cells << model->item(row, c)->text();
    return cells;
}

void PickLists::appendRow(QStandardItemModel* model, const QStringList& cells) {
    QList<QStandardItem*> items;
    for (const QString& text : cells)
        items << new QStandardItem(text);
    model->appendRow(items);
}

void PickLists::setCandidates(const QVector<QStringList>& rows) {
    m_candidates->setUpdatesEnabled(false);
    m_candidateModel->removeRows(0, m_candidateModel->rowCount());
    for (const QStringList& r : rows)
        if (!m_chosenKeys.contains(r.value(0)))
            appendRow(m_candidateModel, r);
    m_candidates->setUpdatesEnabled(true);
    updateCaptions();
}

void PickLists::addChosen(const QVector<QStringList>& rows) {
    m_chosen->setUpdatesEnabled(false);
    for (const QStringList& r : rows) {
        if (m_chosenKeys.contains(r.value(0)))
            continue;
        m_chosenKeys.insert(r.value(0));
        appendRow(m_chosenModel, r);
    }
    m_chosen->setUpdatesEnabled(true);
    updateCaptions();
}

void PickLists::clearChosen() {
    m_chosenModel->removeRows(0, m_chosenModel->rowCount());
    m_chosenKeys.clear();
    updateCaptions();
}

int PickLists::candidateCount() const {
    return m_candidateModel->rowCount();
}

int PickLists::chosenCount() const {
    return m_chosenModel->rowCount();
}

QVector<QStringList> PickLists::chosenRows(int limit) const {
    const int count = limit < 0 ? m_chosenModel->rowCount() : std::min(limit, m_chosenModel->rowCount());
    QVector<QStringList> rows;
    rows.reserve(count);
    for (int r = 0; r < count; ++r)
        rows << rowAt(m_chosenModel, r);
    return rows;
}

void PickLists::removeFirstChosen(int count) {
    count = std::min(count, m_chosenModel->rowCount());
    for (int r = 0; r < count; ++r)
        m_chosenKeys.remove(m_chosenModel->item(r, 0)->text());
    m_chosenModel->removeRows(0, count);
    updateCaptions();
}

QVector<int> PickLists::selectedRows(const QTableView* view) const {
    QVector<int> rows;
    for (const QModelIndex& i : view->selectionModel()->selectedRows())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void PickLists::moveAll() {
    QVector<QStringList> rows;
    for (int r = 0; r < m_candidateModel->rowCount(); ++r)
        rows << rowAt(m_candidateModel, r);
    m_candidateModel->removeRows(0, m_candidateModel->rowCount());
    addChosen(rows);
}

void PickLists::moveSelected() {
    const QVector<int> selected = selectedRows(m_candidates);
    QVector<QStringList> rows;
    for (int r : selected)
        rows << rowAt(m_candidateModel, r);
    for (auto it = selected.crbegin(); it != selected.crend(); ++it)
        m_candidateModel->removeRow(*it);
    addChosen(rows);
}

void PickLists::returnSelected() {
    const QVector<int> selected = selectedRows(m_chosen);
    for (auto it = selected.crbegin(); it != selected.crend(); ++it) {
        const QStringList row = rowAt(m_chosenModel, *it);
        m_chosenKeys.remove(row.value(0));
        m_chosenModel->removeRow(*it);
        appendRow(m_candidateModel, row);
    }
    updateCaptions();
}

void PickLists::returnAll() {
    for (int r = 0; r < m_chosenModel->rowCount(); ++r)
        appendRow(m_candidateModel, rowAt(m_chosenModel, r));
    clearChosen();
}

void PickLists::updateCaptions() {
    m_candidateBox->setTitle(m_candidateCaption.contains(QLatin1String("%1"))
                                 ? m_candidateCaption.arg(m_candidateModel->rowCount())
                                 : m_candidateCaption);
    m_chosenBox->setTitle(m_chosenCaption.contains(QLatin1String("%1"))
                              ? m_chosenCaption.arg(m_chosenModel->rowCount())
                              : m_chosenCaption);
    emit countsChanged();
}
