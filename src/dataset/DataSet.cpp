#include "dataset/DataSet.h"

#include "dataset/CellCodec.h"
#include "dataset/DisplayFormat.h"
#include "dataset/RowPredicate.h"
#include "dataset/RowReader.h"
#include "db/DbError.h"

#include <algorithm>

DataSet::DataSet(QObject* parent) : QObject(parent) {}

DataSet::~DataSet() {
    detachStore();
}

// ---- opening and loading ----

bool DataSet::open(const QSqlDatabase& db, const QString& sql, const QVariantMap& params,
                   const OpenOptions& options) {
    close();
    m_commandText = sql;
    struct Sink final : RowSink {
        DataSet& ds;
        const OpenOptions& options;
        Sink(DataSet& d, const OpenOptions& o) : ds(d), options(o) {}
        void columns(std::vector<ColumnDef> defs) override { ds.beginLoad(std::move(defs)); }
        bool rows(const RowBatch& batch) override {
            ds.appendRows(batch);
            return !options.progress || options.progress(ds.store()->rowCount());
        }
    } sink(*this, options);
    bool complete = false;
    try {
        complete = readStatement(db, sql, params, sink, options.trace, options.forceQtDriver, nullptr);
    } catch (...) {
        close();
        throw;
    }
    if (!m_store)
        beginLoad({});
    endLoad(!complete);
    return complete;
}

void DataSet::beginLoad(std::vector<ColumnDef> columns) {
    close();
    auto store = std::make_shared<RowStore>(std::move(columns));
    attachStore(store);
    m_loading = true;
    // The filter text survives a new query; it is compiled against the new fields.
    m_predicate.reset();
    if (!m_filterText.trimmed().isEmpty()) {
        try {
            m_predicate = compileFilter(m_filterText, *this);
        } catch (const DbError&) {
            m_filtered = false;
        }
    }
    setState(State::Browse);
    emit viewReset();
}

void DataSet::appendRows(const RowBatch& batch) {
    if (!m_store || batch.empty())
        return;
    const std::uint32_t first = m_store->rowCount();
    m_store->append(batch);
    const std::vector<DataSet*> views = m_store->views();
    for (DataSet* v : views)
        v->storeRowsAdded(first, batch.rows());
    emit loadProgress(m_store->rowCount());
}

void DataSet::endLoad(bool cancelled) {
    if (!m_store)
        return;
    const std::vector<DataSet*> views = m_store->views();
    for (DataSet* v : views)
        v->storeLoadFinished(cancelled);
}

void DataSet::storeLoadFinished(bool cancelled) {
    if (!m_loading)
        return;
    m_loading = false;
    if (m_store)
        m_store->squeeze();
    if (!m_sortKeys.empty())
        rebuildViewKeepingRow();
    emit loadFinished(cancelled);
}

void DataSet::close() {
    const bool wasActive = isActive();
    detachStore();
    m_view.clear();
    m_positions.clear();
    m_positionsValid = false;
    m_pos = -1;
    m_bof = m_eof = true;
    m_loading = false;
    m_sortText.clear();
    m_sortKeys.clear();
    m_predicate.reset();
    m_buffer.clear();
    m_bufferSet.clear();
    m_editRow = kNoBookmark;
    m_modified = false;
    m_uniqueTable.clear();
    if (wasActive) {
        setState(State::Inactive);
        emit viewReset();
    }
}

void DataSet::attachStore(std::shared_ptr<RowStore> store) {
    m_store = std::move(store);
    m_store->views().push_back(this);
    createFields();
}

void DataSet::detachStore() {
    if (m_store) {
        auto& views = m_store->views();
        views.erase(std::remove(views.begin(), views.end(), this), views.end());
    }
    m_store.reset();
    m_fields.clear();
}

void DataSet::createFields() {
    m_fields.clear();
    QString common;
    bool several = false;
    for (int c = 0; c < m_store->columnCount(); ++c) {
        const ColumnDef& def = m_store->column(c);
        auto f = std::make_unique<Field>(this, c, def.name, def.type);
        f->m_size = def.size;
        f->m_precision = def.precision;
        f->m_scale = def.scale;
        f->m_baseTable = def.baseTable;
        f->m_baseColumn = def.baseColumn.isEmpty() ? def.name : def.baseColumn;
        f->m_autoIncrement = def.autoIncrement;
        f->m_key = def.key;
        f->m_required = !def.nullable && !def.autoIncrement;
        m_fields.push_back(std::move(f));
        if (!def.baseTable.isEmpty()) {
            if (common.isEmpty())
                common = def.baseTable;
            else if (common.compare(def.baseTable, Qt::CaseInsensitive) != 0)
                several = true;
        }
    }
    m_uniqueTable = several ? QString() : common;
}

void DataSet::storeRowsAdded(std::uint32_t firstRow, std::uint32_t count) {
    const int before = int(m_view.size());
    const bool test = m_filtered && m_predicate;
    for (std::uint32_t r = firstRow; r < firstRow + count; ++r)
        if (!m_store->isDeleted(r) && (!test || m_predicate->test(r)))
            m_view.push_back(r);
    const int added = int(m_view.size()) - before;
    if (added == 0)
        return;
    invalidatePositions();
    emit rowsAppended(before, added);
    if (m_pos < 0)
        setPosition(0);
    else
        m_eof = false;
}

// ---- fields ----

Field* DataSet::findField(const QString& name) const {
    for (const auto& f : m_fields)
        if (f->fieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    return nullptr;
}

Field& DataSet::fieldByName(const QString& name) const {
    Field* f = findField(name);
    if (!f)
        throw DbError(QStringLiteral("字段 '%1' 不存在").arg(name));
    return *f;
}

Field& DataSet::addCalculatedField(const QString& name, FieldType type, Field::Calculation calculation) {
    if (findField(name))
        throw DbError(QStringLiteral("字段 '%1' 已经存在").arg(name));
    auto f = std::make_unique<Field>(this, -1, name, type);
    f->setCalculation(std::move(calculation));
    f->setReadOnly(true);
    m_fields.push_back(std::move(f));
    return *m_fields.back();
}

void DataSet::moveField(Field* field, int newIndex) {
    const int from = field->index();
    if (from < 0)
        return;
    newIndex = std::clamp(newIndex, 0, fieldCount() - 1);
    auto owned = std::move(m_fields[std::size_t(from)]);
    m_fields.erase(m_fields.begin() + from);
    m_fields.insert(m_fields.begin() + newIndex, std::move(owned));
}

// ---- cursor ----

void DataSet::setPosition(int pos) {
    const int old = m_pos;
    if (m_view.empty()) {
        m_pos = -1;
        m_bof = m_eof = true;
    } else {
        m_pos = std::clamp(pos, 0, int(m_view.size()) - 1);
        m_bof = m_eof = false;
    }
    if (m_pos != old)
        emit recordChanged();
}

void DataSet::first() {
    setPosition(0);
    m_bof = true;
}

void DataSet::last() {
    setPosition(int(m_view.size()) - 1);
    m_eof = true;
}

void DataSet::next() {
    if (m_view.empty() || m_pos >= int(m_view.size()) - 1) {
        m_eof = true;
        return;
    }
    setPosition(m_pos + 1);
}

void DataSet::prior() {
    if (m_view.empty() || m_pos <= 0) {
        m_bof = true;
        return;
    }
    setPosition(m_pos - 1);
}

void DataSet::moveBy(int distance) {
    if (m_view.empty())
        return;
    const long long target = (long long)m_pos + distance;
    setPosition(int(std::clamp<long long>(target, 0, (long long)m_view.size() - 1)));
    if (target < 0)
        m_bof = true;
    if (target >= (long long)m_view.size())
        m_eof = true;
}

void DataSet::setRecNo(int recNo) {
    setPosition(recNo - 1);
}

int DataSet::positionOf(Bookmark bookmark) const {
    if (!m_store || bookmark >= m_store->rowCount())
        return -1;
    if (!m_positionsValid) {
        m_positions.assign(m_store->rowCount(), -1);
        for (std::size_t i = 0; i < m_view.size(); ++i)
            m_positions[m_view[i]] = std::int32_t(i);
        m_positionsValid = true;
    }
    return bookmark < m_positions.size() ? m_positions[bookmark] : -1;
}

bool DataSet::gotoBookmark(Bookmark bookmark) {
    const int pos = positionOf(bookmark);
    if (pos < 0)
        return false;
    setPosition(pos);
    return true;
}

Bookmark DataSet::currentRecordBookmark() const {
    if (m_state == State::Insert)
        return kInsertBookmark;
    if (m_state == State::Edit)
        return m_editRow;
    return bookmark();
}

// ---- sort, filter, locate ----

void DataSet::rebuildView() {
    m_view.clear();
    if (!m_store)
        return;
    const std::uint32_t n = m_store->rowCount();
    m_view.reserve(n);
    const bool test = m_filtered && m_predicate;
    for (std::uint32_t r = 0; r < n; ++r)
        if (!m_store->isDeleted(r) && (!test || m_predicate->test(r)))
            m_view.push_back(r);
    applySortToView();
    invalidatePositions();
}

void DataSet::rebuildViewKeepingRow() {
    rebuildViewKeepingRow(bookmark());
}

void DataSet::rebuildViewKeepingRow(Bookmark keep) {
    rebuildView();
    const int pos = positionOf(keep);
    m_pos = -1;
    setPosition(pos >= 0 ? pos : (m_view.empty() ? -1 : 0));
    emit viewReset();
}

void DataSet::applySortToView() {
    if (!m_sortKeys.empty())
        sortRows(m_view, *this, m_sortKeys);
}

void DataSet::setSort(const QString& sortText) {
    if (!m_store) {
        m_sortText = sortText.trimmed();
        return;
    }
    std::vector<SortKey> keys = parseSortText(sortText, *this);
    const Bookmark keep = bookmark();
    m_sortText = sortText.trimmed();
    m_sortKeys = std::move(keys);
    rebuildViewKeepingRow(keep);
}

void DataSet::setFilter(const QString& filterText) {
    std::shared_ptr<RowPredicate> predicate;
    if (m_store && !filterText.trimmed().isEmpty())
        predicate = compileFilter(filterText, *this); // throws, leaving everything as it was
    m_filterText = filterText;
    m_predicate = predicate;
    if (m_filtered && m_store)
        rebuildViewKeepingRow();
}

void DataSet::setFiltered(bool filtered) {
    if (filtered == m_filtered)
        return;
    if (filtered && m_store && !m_predicate && !m_filterText.trimmed().isEmpty())
        m_predicate = compileFilter(m_filterText, *this);
    m_filtered = filtered;
    if (m_store)
        rebuildViewKeepingRow();
}

bool DataSet::locate(const QString& keyFields, const QVariant& values, LocateOptions options) {
    if (!m_store)
        return false;
    QList<int> fields;
    for (const QString& name : keyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        fields << fieldByName(name.trimmed()).index();
    if (fields.isEmpty())
        return false;
    QVariantList list;
    if (fields.size() > 1 || values.typeId() == QMetaType::QVariantList)
        list = values.toList();
    else
        list << values;
    if (list.size() != fields.size())
        throw DbError(QStringLiteral("查找的字段与值的个数不一致"));
    const auto predicate =
        compileLocate(*this, fields, list, options.testFlag(CaseInsensitive), options.testFlag(PartialKey));
    for (std::size_t i = 0; i < m_view.size(); ++i)
        if (predicate->test(m_view[i])) {
            setPosition(int(i));
            return true;
        }
    return false;
}

// ---- clones ----

DataSet* DataSet::clone(QObject* parent) const {
    auto* c = new DataSet(parent);
    if (!m_store)
        return c;
    c->attachStore(m_store);
    // Same fields in the same order, with their display properties.
    std::vector<std::unique_ptr<Field>> fields;
    for (const auto& src : m_fields) {
        auto f = std::make_unique<Field>(c, src->m_column, src->m_name, src->m_type);
        f->m_size = src->m_size;
        f->m_precision = src->m_precision;
        f->m_scale = src->m_scale;
        f->m_displayLabel = src->m_displayLabel;
        f->m_displayWidth = src->m_displayWidth;
        f->m_visible = src->m_visible;
        f->m_tag = src->m_tag;
        f->m_readOnly = src->m_readOnly;
        f->m_required = src->m_required;
        f->m_displayFormat = src->m_displayFormat;
        f->m_textHandler = src->m_textHandler;
        f->m_onValidate = src->m_onValidate;
        f->m_calculation = src->m_calculation;
        f->m_baseTable = src->m_baseTable;
        f->m_baseColumn = src->m_baseColumn;
        f->m_autoIncrement = src->m_autoIncrement;
        f->m_key = src->m_key;
        f->m_lookup = src->m_lookup;
        fields.push_back(std::move(f));
    }
    c->m_fields = std::move(fields);
    c->m_uniqueTable = m_uniqueTable;
    c->m_commandText = m_commandText;
    c->m_loading = m_loading;
    c->m_state = State::Browse;
    c->rebuildView();
    c->setPosition(0);
    return c;
}

std::size_t DataSet::memoryBytes() const {
    std::size_t n = m_view.capacity() * sizeof(Bookmark) + m_positions.capacity() * sizeof(std::int32_t);
    if (m_store)
        n += m_store->memoryBytes();
    return n;
}

void DataSet::setState(State state) {
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged();
}
