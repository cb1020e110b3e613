// The editing states of a data set: Edit and Insert with an edit buffer,
// Post, Cancel and Delete, and the hooks around them.
#include "dataset/DataSet.h"
#include "db/DbError.h"

#include <algorithm>

namespace {
void writeCell(RowStore& store, Bookmark row, int c, const Cell& cell) {
    if (cell.null) {
        store.setNull(row, c);
        return;
    }
    switch (store.kind(c)) {
    case StorageKind::Int64:
    case StorageKind::Fixed4:
        store.setInt(row, c, cell.i);
        break;
    case StorageKind::Double:
        store.setDouble(row, c, cell.d);
        break;
    case StorageKind::Bytes:
        store.setBytes(row, c, cell.s);
        break;
    }
}
} // namespace

void DataSet::setFieldValue(Field& field, const QVariant& value) {
    if (m_state != State::Edit && m_state != State::Insert)
        throw DbError(QStringLiteral("数据集不在编辑或插入状态"));
    if (field.isCalculated() || field.readOnly())
        throw DbError(QStringLiteral("字段 '%1' 不能修改").arg(field.fieldName()));
    if (field.onValidate())
        field.onValidate()(field, value);
    Cell cell = toCell(value, field.dataType());
    const std::size_t c = std::size_t(field.column());
    m_buffer[c] = std::move(cell);
    m_bufferSet[c] = true;
    m_modified = true;
    emit dataChanged(currentRecordBookmark());
}

void DataSet::edit() {
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    if (m_state != State::Browse)
        throw DbError(QStringLiteral("数据集没有打开"));
    if (m_view.empty())
        throw DbError(QStringLiteral("无记录"));
    m_editRow = bookmark();
    m_buffer.assign(std::size_t(m_store->columnCount()), Cell());
    m_bufferSet.assign(std::size_t(m_store->columnCount()), false);
    m_modified = false;
    setState(State::Edit);
}

void DataSet::append() {
    if (m_state == State::Edit || m_state == State::Insert)
        post();
    if (m_state != State::Browse)
        throw DbError(QStringLiteral("数据集没有打开"));
    m_buffer.assign(std::size_t(m_store->columnCount()), Cell());
    m_bufferSet.assign(std::size_t(m_store->columnCount()), true);
    m_editRow = kNoBookmark;
    m_modified = false;
    setState(State::Insert);
    if (afterInsert)
        afterInsert(*this);
    emit dataChanged(kInsertBookmark);
}

Bookmark DataSet::endEdit() {
    const Bookmark row = m_editRow;
    m_buffer.clear();
    m_bufferSet.clear();
    m_editRow = kNoBookmark;
    m_modified = false;
    setState(State::Browse);
    return row;
}

void DataSet::cancel() {
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    const Bookmark row = endEdit();
    emit dataChanged(row == kNoBookmark ? bookmark() : row);
}

void DataSet::post() {
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    if (beforePost)
        beforePost(*this);
    const int columns = m_store->columnCount();
    for (const auto& f : m_fields)
        if (!f->isCalculated() && f->required() && !f->isAutoIncrement() &&
            (m_uniqueTable.isEmpty() || f->baseTableName().isEmpty() ||
             f->baseTableName().compare(m_uniqueTable, Qt::CaseInsensitive) == 0)) {
            const Cell* cell = buffered(currentRecordBookmark(), f->column());
            const bool null = cell ? cell->null : m_store->isNull(m_editRow, f->column());
            if (null)
                throw DbError(QStringLiteral("字段 '%1' 必须有值").arg(f->displayLabel()));
        }
    Change change;
    if (m_state == State::Insert) {
        change.kind = Change::Insert;
        change.row = m_store->rowCount(); // the number the new row will get
        change.newValues = m_buffer;
        change.changed.assign(std::size_t(columns), true);
        if (poster)
            poster(*this, change); // throws: stay in Insert with the buffer intact
        const Bookmark row = m_store->appendEmptyRow();
        for (int c = 0; c < columns; ++c)
            writeCell(*m_store, row, c, change.newValues[std::size_t(c)]);
        m_buffer.clear();
        m_bufferSet.clear();
        m_modified = false;
        setState(State::Browse);
        const std::vector<DataSet*> views = m_store->views();
        for (DataSet* v : views)
            v->storeRowsAdded(row, 1);
        gotoBookmark(row);
        emit dataChanged(row);
        return;
    }
    change.kind = Change::Update;
    change.row = m_editRow;
    change.changed = m_bufferSet;
    for (int c = 0; c < columns; ++c) {
        Cell old = storedCell(m_editRow, c);
        change.newValues.push_back(m_bufferSet[std::size_t(c)] ? m_buffer[std::size_t(c)] : old);
        change.oldValues.push_back(std::move(old));
    }
    const bool anyChange = std::find(m_bufferSet.begin(), m_bufferSet.end(), true) != m_bufferSet.end();
    if (anyChange && poster)
        poster(*this, change);
    for (int c = 0; c < columns; ++c)
        if (change.changed[std::size_t(c)])
            writeCell(*m_store, m_editRow, c, change.newValues[std::size_t(c)]);
    const Bookmark row = endEdit();
    const std::vector<DataSet*> views = m_store->views();
    for (DataSet* v : views)
        v->storeRowChanged(row);
}

void DataSet::deleteRecord() {
    if (m_state == State::Insert || m_state == State::Edit) {
        cancel();
        if (m_state != State::Browse)
            return;
    }
    if (m_state != State::Browse)
        throw DbError(QStringLiteral("数据集没有打开"));
    if (m_view.empty())
        throw DbError(QStringLiteral("无记录"));
    if (beforeDelete)
        beforeDelete(*this);
    const Bookmark row = bookmark();
    if (poster) {
        Change change;
        change.kind = Change::Delete;
        change.row = row;
        for (int c = 0; c < m_store->columnCount(); ++c)
            change.oldValues.push_back(storedCell(row, c));
        poster(*this, change);
    }
    m_store->markDeleted(row, true);
    const std::vector<DataSet*> views = m_store->views();
    for (DataSet* v : views)
        v->storeRowDeleted(row);
}

void DataSet::storeRowChanged(Bookmark row) {
    emit dataChanged(row);
}

void DataSet::storeRowDeleted(Bookmark row) {
    const int pos = positionOf(row);
    if (pos < 0)
        return;
    m_view.erase(m_view.begin() + pos);
    invalidatePositions();
    int next = m_pos;
    if (m_pos > pos)
        --next;
    m_pos = -1;
    emit viewReset();
    setPosition(std::min(next, int(m_view.size()) - 1));
}
