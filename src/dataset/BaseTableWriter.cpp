#include "dataset/BaseTableWriter.h"

#include "dataset/CellCodec.h"
#include "db/DbError.h"
#include "db/QueryRunner.h"
#include "db/SqlTrace.h"

#include <QSqlQuery>

#include <algorithm>

namespace {

// The bound value of a stored cell: money and BCD as exact decimal text.
QVariant boundValue(const Cell& cell, FieldType type) {
    if (!cell.null && storageKind(type) == StorageKind::Fixed4)
        return cellcodec::fixedTextTrimmed(cell.i);
    return DataSet::cellValue(cell, type);
}

// Fields written to the base table, in field order.
std::vector<const Field*> tableFields(const DataSet& ds) {
    std::vector<const Field*> out;
    const QString& table = ds.uniqueTable();
    for (int i = 0; i < ds.fieldCount(); ++i) {
        const Field* f = ds.field(i);
        if (f->isCalculated() || f->baseColumnName().isEmpty())
            continue;
        if (!f->baseTableName().isEmpty() && f->baseTableName().compare(table, Qt::CaseInsensitive) != 0)
            continue;
        if (f->baseTableName().isEmpty() && f->baseColumnName() != f->fieldName())
            continue;
        out.push_back(f);
    }
    return out;
}

} // namespace

BaseTableWriter::BaseTableWriter(const QSqlDatabase& db, const SqlDialect& dialect, const SqlTrace* trace)
    : m_db(db), m_dialect(dialect), m_trace(trace) {}

QString BaseTableWriter::identifier(const QString& name) const {
    if (m_dialect.isSqlServer())
        return QLatin1Char('[') + QString(name).replace(QLatin1Char(']'), QLatin1String("]]")) +
               QLatin1Char(']');
    return QLatin1Char('`') + QString(name).replace(QLatin1Char('`'), QLatin1String("``")) + QLatin1Char('`');
}

void BaseTableWriter::attach(DataSet& dataSet, Mode mode) {
    m_mode = mode;
    dataSet.poster = [this](DataSet& ds, DataSet::Change& change) { post(ds, change); };
}

BaseTableWriter::Statement BaseTableWriter::build(const DataSet& ds, const DataSet::Change& change) const {
    if (ds.uniqueTable().isEmpty())
        throw DbError(QStringLiteral("没有指定要更新的基表"));
    const std::vector<const Field*> fields = tableFields(ds);
    Statement st;
    const QString table = identifier(ds.uniqueTable());
    if (change.kind == DataSet::Change::Insert) {
        QStringList columns, marks;
        for (const Field* f : fields) {
            const Cell& cell = change.newValues[std::size_t(f->column())];
            if (cell.null && f->isAutoIncrement())
                continue; // the server numbers it
            columns << identifier(f->baseColumnName());
            marks << QStringLiteral("?");
            st.values << boundValue(cell, f->dataType());
        }
        st.sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                     .arg(table, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        return st;
    }
    // The row is found by its key fields, or else by every comparable original value.
    std::vector<const Field*> keys;
    for (const Field* f : fields)
        if (f->isKey())
            keys.push_back(f);
    if (keys.empty())
        for (const Field* f : fields)
            if (!isBlobType(f->dataType()) && f->dataType() != FieldType::Float)
                keys.push_back(f);
    if (keys.empty())
        throw DbError(QStringLiteral("表 %1 的记录无法定位").arg(ds.uniqueTable()));
    QStringList where;
    QVariantList whereValues;
    for (const Field* f : keys) {
        const Cell& old = change.oldValues[std::size_t(f->column())];
        if (old.null) {
            where << identifier(f->baseColumnName()) + QStringLiteral(" IS NULL");
        } else {
            where << identifier(f->baseColumnName()) + QStringLiteral(" = ?");
            whereValues << boundValue(old, f->dataType());
        }
    }
    if (change.kind == DataSet::Change::Delete) {
        st.sql = QStringLiteral("DELETE FROM %1 WHERE %2").arg(table, where.join(QStringLiteral(" AND ")));
        st.values = whereValues;
        return st;
    }
    QStringList sets;
    for (const Field* f : fields) {
        const std::size_t c = std::size_t(f->column());
        if (!change.changed[c])
            continue;
        sets << identifier(f->baseColumnName()) + QStringLiteral(" = ?");
        st.values << boundValue(change.newValues[c], f->dataType());
    }
    if (sets.isEmpty())
        return st; // nothing of the base table changed
    st.sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                 .arg(table, sets.join(QStringLiteral(", ")), where.join(QStringLiteral(" AND ")));
    st.values += whereValues;
    return st;
}

bool BaseTableWriter::rowStillThere(const Statement& st) const {
    // MariaDB counts changed rows: an UPDATE that writes the values a row
    // already holds touches nothing. Ask whether the row is still there.
    if (!st.sql.startsWith(QLatin1String("UPDATE")))
        return false;
    const int where = st.sql.indexOf(QLatin1String(" WHERE "));
    const int setMarks = int(st.sql.left(where).count(QLatin1Char('?')));
    const QString table = st.sql.mid(7, st.sql.indexOf(QLatin1String(" SET ")) - 7);
    QSqlQuery q(m_db);
    if (!q.prepare(QStringLiteral("SELECT COUNT(*) FROM %1%2").arg(table, st.sql.mid(where))))
        throwQueryError(q);
    for (int i = setMarks; i < st.values.size(); ++i)
        q.addBindValue(st.values[i]);
    if (!q.exec() || !q.next())
        throwQueryError(q);
    return q.value(0).toLongLong() > 0;
}

void BaseTableWriter::run(const Statement& st, bool mustTouchRow, qint64* insertId) const {
    if (st.sql.isEmpty())
        return;
    if (m_trace)
        m_trace->write(st.sql);
    QSqlQuery q(m_db);
    if (!q.prepare(st.sql))
        throwQueryError(q);
    for (const QVariant& v : st.values)
        q.addBindValue(v);
    if (!q.exec())
        throwQueryError(q);
    if (mustTouchRow && q.numRowsAffected() == 0 && !rowStillThere(st))
        throw DbError(QStringLiteral("找不到要更新的记录, 它可能已被其他用户修改或删除"));
    if (insertId) {
        const QVariant id = q.lastInsertId();
        *insertId = id.isValid() ? id.toLongLong() : 0;
    }
}

void BaseTableWriter::post(DataSet& ds, DataSet::Change& change) {
    if (m_mode == Mode::Immediate) {
        const Statement st = build(ds, change);
        qint64 id = 0;
        run(st, change.kind != DataSet::Change::Insert,
            change.kind == DataSet::Change::Insert ? &id : nullptr);
        if (change.kind == DataSet::Change::Insert && id > 0)
            for (const Field* f : tableFields(ds))
                if (f->isAutoIncrement() && change.newValues[std::size_t(f->column())].null) {
                    Cell& cell = change.newValues[std::size_t(f->column())];
                    cell.null = false;
                    cell.i = id;
                }
        return;
    }
    build(ds, change); // refuses at once what could never be sent
    // Batch: merge with what is already pending for the row.
    auto it = m_pending.find(change.row);
    if (it == m_pending.end()) {
        m_pending.emplace(change.row, change);
        m_order.push_back(change.row);
        return;
    }
    DataSet::Change& kept = it->second;
    if (change.kind == DataSet::Change::Update) {
        kept.newValues = change.newValues;
        if (kept.kind == DataSet::Change::Update)
            for (std::size_t c = 0; c < kept.changed.size(); ++c)
                kept.changed[c] = kept.changed[c] || change.changed[c];
    } else if (change.kind == DataSet::Change::Delete) {
        if (kept.kind == DataSet::Change::Insert) {
            m_pending.erase(it);
            m_order.erase(std::remove(m_order.begin(), m_order.end(), change.row), m_order.end());
        } else {
            kept.kind = DataSet::Change::Delete; // keeps the original values to find the row
        }
    }
}

void BaseTableWriter::updateBatch(const DataSet& ds) {
    if (m_order.empty())
        return;
    std::vector<Statement> statements;
    std::vector<bool> mustTouch;
    for (const Bookmark row : m_order) {
        const DataSet::Change& change = m_pending.at(row);
        statements.push_back(build(ds, change));
        mustTouch.push_back(change.kind != DataSet::Change::Insert);
    }
    if (!m_db.transaction())
        throw DbError(QStringLiteral("无法开始事务"));
    try {
        for (std::size_t i = 0; i < statements.size(); ++i)
            run(statements[i], mustTouch[i], nullptr);
    } catch (...) {
        m_db.rollback();
        throw;
    }
    if (!m_db.commit()) {
        m_db.rollback();
        throw DbError(QStringLiteral("提交事务失败"));
    }
    cancelBatch();
}

void BaseTableWriter::cancelBatch() {
    m_pending.clear();
    m_order.clear();
}
