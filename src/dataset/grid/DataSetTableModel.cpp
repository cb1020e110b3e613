#include "dataset/grid/DataSetTableModel.h"

#include "dataset/DataSet.h"
#include "db/DbError.h"

#include <algorithm>

DataSetTableModel::DataSetTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void DataSetTableModel::setDataSet(DataSet* dataSet) {
    beginResetModel();
    if (m_dataSet)
        disconnect(m_dataSet, nullptr, this, nullptr);
    m_dataSet = dataSet;
    if (dataSet) {
        connect(dataSet, &DataSet::viewReset, this, &DataSetTableModel::onViewReset);
        connect(dataSet, &DataSet::rowsAppended, this, &DataSetTableModel::onRowsAppended);
        connect(dataSet, &DataSet::dataChanged, this, &DataSetTableModel::onDataChanged);
        connect(dataSet, &QObject::destroyed, this, [this] {
            beginResetModel();
            m_columns.clear();
            m_rows = 0;
            endResetModel();
        });
    }
    m_columns.clear();
    if (dataSet)
        for (int i = 0; i < dataSet->fieldCount(); ++i)
            if (dataSet->field(i)->visible())
                m_columns.push_back(dataSet->field(i));
    m_rows = dataSet ? dataSet->recordCount() : 0;
    endResetModel();
}

void DataSetTableModel::refreshColumns() {
    beginResetModel();
    m_columns.clear();
    if (m_dataSet)
        for (int i = 0; i < m_dataSet->fieldCount(); ++i)
            if (m_dataSet->field(i)->visible())
                m_columns.push_back(m_dataSet->field(i));
    m_rows = m_dataSet ? m_dataSet->recordCount() : 0;
    endResetModel();
}

void DataSetTableModel::onViewReset() {
    // Open and close change the fields too.
    refreshColumns();
}

void DataSetTableModel::onRowsAppended(int first, int count) {
    if (count <= 0)
        return;
    if (first != m_rows) {
        refreshColumns();
        return;
    }
    if (m_columns.empty() && m_dataSet && m_dataSet->fieldCount() > 0) {
        refreshColumns();
        return;
    }
    beginInsertRows({}, first, first + count - 1);
    m_rows = first + count;
    endInsertRows();
}

void DataSetTableModel::onDataChanged(Bookmark bookmark) {
    if (!m_dataSet)
        return;
    if (m_dataSet->recordCount() != m_rows) {
        refreshColumns();
        return;
    }
    const int row = m_dataSet->positionOf(bookmark);
    if (row >= 0 && !m_columns.empty())
        emit dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
}

Field* DataSetTableModel::fieldAt(int column) const {
    return column >= 0 && column < int(m_columns.size()) ? m_columns[std::size_t(column)] : nullptr;
}

int DataSetTableModel::columnOf(const Field* field) const {
    const auto it = std::find(m_columns.begin(), m_columns.end(), field);
    return it == m_columns.end() ? -1 : int(it - m_columns.begin());
}

void DataSetTableModel::setAlternateRowColors(const QColor& odd, const QColor& even) {
    m_oddColor = odd;
    m_evenColor = even;
    if (m_rows > 0 && !m_columns.empty())
        emit dataChanged(index(0, 0), index(m_rows - 1, int(m_columns.size()) - 1), {Qt::BackgroundRole});
}

void DataSetTableModel::setEditing(bool editing) {
    if (m_editing == editing)
        return;
    m_editing = editing;
    if (m_rows > 0 && !m_columns.empty())
        emit dataChanged(index(0, 0), index(m_rows - 1, int(m_columns.size()) - 1));
}

int DataSetTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int DataSetTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DataSetTableModel::data(const QModelIndex& index, int role) const {
    if (!m_dataSet || !index.isValid() || index.row() >= m_dataSet->recordCount())
        return {};
    Field* field = fieldAt(index.column());
    if (!field)
        return {};
    const Bookmark b = m_dataSet->bookmarkAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return m_dataSet->displayTextAt(b, field->index());
    case Qt::EditRole:
        return m_dataSet->valueAt(b, field->index());
    case Qt::TextAlignmentRole:
        if (isNumericType(field->dataType()) && !field->textHandler())
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::BackgroundRole: {
        if (m_cellColor) {
            const QColor c = m_cellColor(index.row(), *field);
            if (c.isValid())
                return c;
        }
        // Record numbers count from 1: odd numbers are the first, third, ... rows.
        const QColor& c = (index.row() % 2 == 0) ? m_oddColor : m_evenColor;
        return c.isValid() ? QVariant(c) : QVariant();
    }
    default:
        return {};
    }
}

QVariant DataSetTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole)
            return section + 1;
        return {};
    }
    Field* field = fieldAt(section);
    if (!field)
        return {};
    if (role == Qt::DisplayRole)
        return field->displayLabel();
    if (role == Qt::ToolTipRole)
        return field->fieldName();
    return {};
}

Qt::ItemFlags DataSetTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    Field* field = fieldAt(index.column());
    if (m_editing && field && !field->readOnly() && !field->isCalculated())
        f |= Qt::ItemIsEditable;
    return f;
}

bool DataSetTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !m_dataSet || !m_editing)
        return false;
    Field* field = fieldAt(index.column());
    if (!field || field->readOnly())
        return false;
    try {
        if (m_dataSet->position() != index.row())
            m_dataSet->setRecNo(index.row() + 1);
        if (m_dataSet->state() == DataSet::State::Browse)
            m_dataSet->edit();
        field->setValue(value);
    } catch (const DbError& e) {
        emit editRefused(e.message());
        return false;
    }
    emit dataChanged(index, index);
    return true;
}

QStringList DataSetTableModel::titleLevels(const QString& label) {
    return label.split(QLatin1Char('|'));
}
