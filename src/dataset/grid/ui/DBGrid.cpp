#include "dataset/grid/ui/DBGrid.h"

#include "dataset/DataSet.h"
#include "dataset/grid/ui/FooterBand.h"
#include "dataset/grid/ui/MultiLevelHeader.h"
#include "db/DbError.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <set>

DBGrid::DBGrid(QWidget* parent) : QWidget(parent), m_model(new DataSetTableModel(this)) {
    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("view"));
    m_header = new MultiLevelHeader(m_view);
    m_view->setHorizontalHeader(m_header);
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->verticalHeader()->setDefaultSectionSize(18);
    m_view->verticalHeader()->setMinimumSectionSize(16);
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->setWordWrap(false);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setStyleSheet(QStringLiteral("QTableView { background: white; }"));

    m_frozenView = new QTableView(m_view);
    m_frozenView->setObjectName(QStringLiteral("frozenView"));
    auto* frozenHeader = new MultiLevelHeader(m_frozenView);
    m_frozenView->setHorizontalHeader(frozenHeader);
    m_frozenView->setModel(m_model);
    m_frozenView->setSelectionModel(m_view->selectionModel());
    m_frozenView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_frozenView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_frozenView->verticalHeader()->hide();
    m_frozenView->verticalHeader()->setDefaultSectionSize(18);
    m_frozenView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_frozenView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozenView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozenView->setFocusPolicy(Qt::NoFocus);
    m_frozenView->setStyleSheet(QStringLiteral("QTableView { border: none; background: white; }"));
    m_frozenView->hide();
    connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, m_frozenView->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(m_frozenView->verticalScrollBar(), &QScrollBar::valueChanged, m_view->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(m_header, &QHeaderView::sectionResized, this,
            [this](int logical, int, int size) { onSectionResized(logical, size); });
    // The frozen columns lie over the first columns of the view: their titles
    // are dragged there and the view follows.
    connect(frozenHeader, &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        if (!m_sizing && size > 0 && logical < m_frozen)
            m_view->setColumnWidth(logical, size);
    });

    m_footerBand = new FooterBand(m_view, m_model, &m_footer, this);
    m_footerBand->setObjectName(QStringLiteral("footerBand"));
    m_footerBand->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_footerBand);

    auto clicked = [this](int logical) {
        clickTitle(logical, QApplication::keyboardModifiers() & Qt::ControlModifier);
    };
    connect(m_header, &QHeaderView::sectionClicked, this, clicked);
    connect(frozenHeader, &QHeaderView::sectionClicked, this, clicked);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { onCurrentChanged(current); });
    connect(m_view, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { emit cellDoubleClicked(index.row(), index.column()); });
    connect(m_model, &DataSetTableModel::editRefused, this, &DBGrid::editRefused);
    auto refreshAll = [this] {
        applyColumnWidths();
        refreshFooter();
    };
    connect(m_model, &QAbstractItemModel::modelReset, this, refreshAll);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] { refreshFooter(); });
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this] { refreshFooter(); });
    m_view->installEventFilter(this);
}

void DBGrid::setDataSet(DataSet* dataSet) {
    if (DataSet* old = m_model->dataSet())
        disconnect(old, nullptr, this, nullptr);
    m_model->setDataSet(dataSet);
    m_markers.clear();
    updateMarkersView();
    if (dataSet)
        connect(dataSet, &DataSet::recordChanged, this, &DBGrid::syncCurrentFromDataSet);
    setFrozenColumns(m_frozen);
}

void DBGrid::refreshColumns() {
    m_model->refreshColumns();
    setFrozenColumns(m_frozen);
}

namespace {
constexpr int kMinCharacters = 4;
constexpr int kMaxCharacters = 80;
constexpr int kColumnMargin = 10;

int characterWidth(const QFontMetrics& metrics) {
    return qMax(1, metrics.horizontalAdvance(QLatin1Char('0')));
}
} // namespace

int DBGrid::columnPixels(int displayWidth, const QFontMetrics& metrics) {
    return qBound(kMinCharacters, displayWidth, kMaxCharacters) * characterWidth(metrics) + kColumnMargin;
}

int DBGrid::displayWidthFor(int pixels, const QFontMetrics& metrics) {
    const double characters = double(pixels - kColumnMargin) / characterWidth(metrics);
    return qBound(kMinCharacters, int(std::lround(characters)), kMaxCharacters);
}

void DBGrid::onSectionResized(int column, int size) {
    if (column < m_frozen) {
        const QScopedValueRollback<bool> sizing(m_sizing, true);
        m_frozenView->setColumnWidth(column, size);
        updateFrozenGeometry();
    }
    if (m_sizing || size <= 0)
        return;
    if (Field* field = m_model->fieldAt(column))
        field->setDisplayWidth(displayWidthFor(size, m_view->fontMetrics()));
}

void DBGrid::applyColumnWidths() {
    {
        const QScopedValueRollback<bool> sizing(m_sizing, true);
        for (int c = 0; c < m_model->columnCount(); ++c) {
            const Field* f = m_model->fieldAt(c);
            m_view->setColumnWidth(c, columnPixels(f ? f->displayWidth() : 10, m_view->fontMetrics()));
        }
    }
    m_header->setMinimumHeight(m_header->sizeHint().height());
    updateMarkersView();
    updateFrozenGeometry();
}

void DBGrid::setFooterRowCount(int rows) {
    m_footer.setRowCount(rows);
    m_footerBand->setVisible(rows > 0);
    m_footerBand->setFixedHeight(m_footerBand->sizeHint().height());
    refreshFooter();
}

void DBGrid::refreshFooter() {
    if (m_footer.rowCount() > 0)
        m_footerBand->refresh();
}

QString DBGrid::footerText(int column) const {
    return m_footerBand->cellText(column);
}

void DBGrid::setFooterColor(const QColor& color) {
    m_footerBand->setColor(color);
}

void DBGrid::setReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    if (readOnly)
        setEditing(false);
}

void DBGrid::setEditing(bool editing) {
    const bool on = editing && !m_readOnly;
    m_model->setEditing(on);
    m_view->setEditTriggers(on ? QAbstractItemView::AllEditTriggers : QAbstractItemView::NoEditTriggers);
}

DBGrid::SelectionKind DBGrid::selectionKind() const {
    const QModelIndexList rows = m_view->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return SelectionKind::None;
    if (rows.size() == m_model->rowCount() && m_model->rowCount() > 1)
        return SelectionKind::All;
    return SelectionKind::Rows;
}

QVector<int> DBGrid::selectedRows() const {
    QVector<int> out;
    for (const QModelIndex& i : m_view->selectionModel()->selectedRows())
        out << i.row();
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<Bookmark> DBGrid::selectedBookmarks() const {
    std::vector<Bookmark> out;
    const DataSet* ds = dataSet();
    if (!ds)
        return out;
    for (int row : selectedRows())
        if (row < ds->recordCount())
            out.push_back(ds->bookmarkAt(row));
    return out;
}

void DBGrid::selectAll() {
    m_view->selectAll();
}
void DBGrid::clearSelection() {
    m_view->clearSelection();
}

int DBGrid::selectedColumn() const {
    const QModelIndex current = m_view->currentIndex();
    return current.isValid() ? current.column() : -1;
}

Field* DBGrid::selectedField() const {
    return m_model->fieldAt(selectedColumn());
}

void DBGrid::setSelectedColumn(int column) {
    const int row = qMax(0, m_view->currentIndex().row());
    if (column >= 0 && column < m_model->columnCount() && row < m_model->rowCount())
        m_view->selectionModel()->setCurrentIndex(m_model->index(row, column), QItemSelectionModel::NoUpdate);
}

bool DBGrid::canSort(const Field& field) {
    return !field.isCalculated() && !isBlobType(field.dataType());
}

QString DBGrid::sortText(const QList<QPair<QString, bool>>& markers) {
    QStringList parts;
    for (const auto& m : markers)
        parts << m.first + (m.second ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
    return parts.join(QLatin1Char(','));
}

void DBGrid::setSortMarkers(const QList<QPair<QString, bool>>& markers) {
    m_markers = markers;
    applySort();
}

void DBGrid::clickTitle(int column, bool add) {
    Field* field = m_model->fieldAt(column);
    if (!field)
        return;
    if (!canSort(*field)) {
        emit sortRefused(field->fieldName());
        return;
    }
    const QString name = field->fieldName();
    auto it = std::find_if(m_markers.begin(), m_markers.end(), [&](const QPair<QString, bool>& m) {
        return m.first.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (it != m_markers.end()) {
        it->second = !it->second;
        if (!add) {
            const QPair<QString, bool> kept = *it;
            m_markers = {kept};
        }
    } else {
        if (!add)
            m_markers.clear();
        m_markers.append({name, true});
    }
    applySort();
}

void DBGrid::applySort() {
    DataSet* ds = dataSet();
    if (ds && ds->isActive()) {
        try {
            ds->setSort(sortText(m_markers));
        } catch (const DbError& e) {
            m_markers.clear();
            updateMarkersView();
            emit sortFailed(e.message());
            return;
        }
    }
    updateMarkersView();
    emit sortMarkingChanged();
}

void DBGrid::updateMarkersView() {
    QMap<int, MultiLevelHeader::Marker> markers;
    int order = 0;
    for (const auto& m : m_markers) {
        ++order;
        for (int c = 0; c < m_model->columnCount(); ++c)
            if (m_model->fieldAt(c)->fieldName().compare(m.first, Qt::CaseInsensitive) == 0)
                markers.insert(c, {m.second, order});
    }
    m_header->setMarkers(markers);
    static_cast<MultiLevelHeader*>(m_frozenView->horizontalHeader())->setMarkers(markers);
}

void DBGrid::setFrozenColumns(int count) {
    const QScopedValueRollback<bool> sizing(m_sizing, true);
    m_frozen = qBound(0, count, m_model->columnCount());
    for (int c = 0; c < m_model->columnCount(); ++c) {
        m_frozenView->setColumnHidden(c, c >= m_frozen);
        if (c < m_frozen)
            m_frozenView->setColumnWidth(c, m_view->columnWidth(c));
    }
    m_frozenView->setVisible(m_frozen > 0);
    updateFrozenGeometry();
}

void DBGrid::updateFrozenGeometry() {
    if (m_frozen <= 0)
        return;
    int width = 0;
    for (int c = 0; c < m_frozen; ++c)
        width += m_view->columnWidth(c);
    m_frozenView->horizontalHeader()->setMinimumHeight(m_header->height());
    m_frozenView->setGeometry(m_view->verticalHeader()->width() + m_view->frameWidth(), m_view->frameWidth(),
                              width, m_view->viewport()->height() + m_header->height());
    m_frozenView->raise();
}

void DBGrid::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateFrozenGeometry();
}

bool DBGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view && event->type() == QEvent::Resize)
        updateFrozenGeometry();
    return QWidget::eventFilter(watched, event);
}

void DBGrid::onCurrentChanged(const QModelIndex& current) {
    DataSet* ds = dataSet();
    if (m_syncing || !ds || !current.isValid() || ds->state() != DataSet::State::Browse)
        return;
    m_syncing = true;
    if (ds->position() != current.row())
        ds->setRecNo(current.row() + 1);
    m_syncing = false;
}

void DBGrid::syncCurrentFromDataSet() {
    DataSet* ds = dataSet();
    if (m_syncing || !ds)
        return;
    const int row = ds->position();
    if (row < 0 || row >= m_model->rowCount())
        return;
    m_syncing = true;
    const int column = qMax(0, m_view->currentIndex().column());
    m_view->selectionModel()->setCurrentIndex(m_model->index(row, column), QItemSelectionModel::NoUpdate);
    m_view->scrollTo(m_model->index(row, column));
    m_syncing = false;
}
