#include "dataset/posting/TablePoster.h"

#include "db/DbError.h"
#include "db/QueryRunner.h"
#include "db/SqlTrace.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <QStringList>

namespace {
// The fields that belong to `table`: stored columns whose base table is that
// table (a column without one counts when the data set reads one table).
std::vector<const Field*> tableFields(const DataSet& ds, const QString& table) {
    std::vector<const Field*> out;
    for (int i = 0; i < ds.fieldCount(); ++i) {
        const Field* f = ds.field(i);
        if (f->isCalculated() || f->column() < 0)
            continue;
        if (!f->baseTableName().isEmpty() && f->baseTableName().compare(table, Qt::CaseInsensitive) != 0)
            continue;
        out.push_back(f);
    }
    return out;
}

QString columnName(const Field& f) {
    return f.baseColumnName().isEmpty() ? f.fieldName() : f.baseColumnName();
}

QVariant cellOf(const std::vector<Cell>& cells, const Field& f) {
    const std::size_t c = std::size_t(f.column());
    return c < cells.size() ? DataSet::cellValue(cells[c], f.dataType()) : QVariant();
}

// WHERE on the key fields, or on every original value that can be compared.
QString whereClause(const std::vector<const Field*>& fields, const std::vector<Cell>& old,
                    QVariantList& values) {
    std::vector<const Field*> keys;
    for (const Field* f : fields)
        if (f->isKey())
            keys.push_back(f);
    if (keys.empty())
        for (const Field* f : fields)
            if (!isBlobType(f->dataType()) && f->dataType() != FieldType::Float)
                keys.push_back(f);
    QStringList parts;
    for (const Field* f : keys) {
        const QVariant v = cellOf(old, *f);
        if (v.isNull()) {
            parts << columnName(*f) + QStringLiteral(" IS NULL");
        } else {
            parts << columnName(*f) + QStringLiteral(" = ?");
            values << v;
        }
    }
    if (parts.isEmpty())
        throw DbError(QStringLiteral("无法确定要修改的记录"));
    return parts.join(QStringLiteral(" AND "));
}

bool hasKey(const std::vector<const Field*>& fields) {
    for (const Field* f : fields)
        if (f->isKey())
            return true;
    return false;
}
} // namespace

TablePoster::TablePoster(QSqlDatabase db, const SqlTrace* trace) : m_db(std::move(db)), m_trace(trace) {}

void TablePoster::install(DataSet& dataSet, QSqlDatabase db, const SqlTrace* trace, const QString& table) {
    const TablePoster poster(std::move(db), trace);
    const QString fixed = table;
    dataSet.poster = [poster, fixed](DataSet& ds, DataSet::Change& change) {
        const QString target = fixed.isEmpty() ? ds.uniqueTable() : fixed;
        if (target.isEmpty())
            throw DbError(QStringLiteral("数据来自多个表, 不能修改"));
        poster.post(ds, change, target);
    };
}

TablePoster::Statement TablePoster::build(const DataSet& ds, const DataSet::Change& change,
                                          const QString& table, bool mySql) {
    Statement st;
    const std::vector<const Field*> fields = tableFields(ds, table);
    switch (change.kind) {
    case DataSet::Change::Insert: {
        QStringList names;
        QStringList marks;
        for (const Field* f : fields) {
            const QVariant v = cellOf(change.newValues, *f);
            if (f->isAutoIncrement() && v.isNull())
                continue; // the server numbers it
            names << columnName(*f);
            marks << QStringLiteral("?");
            st.values << v;
        }
        st.sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                     .arg(table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
        break;
    }
    case DataSet::Change::Update: {
        QStringList sets;
        for (const Field* f : fields) {
            const std::size_t c = std::size_t(f->column());
            if (c >= change.changed.size() || !change.changed[c])
                continue;
            sets << columnName(*f) + QStringLiteral(" = ?");
            st.values << cellOf(change.newValues, *f);
        }
        if (sets.isEmpty())
            return st;
        QVariantList whereValues;
        const QString where = whereClause(fields, change.oldValues, whereValues);
        st.values << whereValues;
        st.sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(table, sets.join(QLatin1Char(',')), where);
        if (!hasKey(fields) && mySql)
            st.sql += QStringLiteral(" LIMIT 1");
        break;
    }
    case DataSet::Change::Delete: {
        const QString where = whereClause(fields, change.oldValues, st.values);
        st.sql = QStringLiteral("DELETE FROM %1 WHERE %2").arg(table, where);
        // Without a key two equal rows are indistinguishable: remove one.
        if (!hasKey(fields) && mySql)
            st.sql += QStringLiteral(" LIMIT 1");
        break;
    }
    }
    return st;
}

void TablePoster::post(DataSet& ds, DataSet::Change& change, const QString& table) const {
    const bool mySql = m_db.driverName() == QLatin1String("QMYSQL");
    const Statement st = build(ds, change, table, mySql);
    if (st.sql.isEmpty())
        return;
    if (m_trace)
        m_trace->write(st.sql);
    QSqlQuery q(m_db);
    if (!q.prepare(st.sql))
        throwQueryError(q);
    for (int i = 0; i < st.values.size(); ++i)
        q.bindValue(i, st.values.at(i));
    if (!q.exec())
        throwQueryError(q);
    if (change.kind == DataSet::Change::Delete && q.numRowsAffected() == 0)
        throw DbError(QStringLiteral("要删除的记录已不存在, 可能已被其他用户修改或删除"));
    if (change.kind == DataSet::Change::Insert) {
        const QVariant id = q.lastInsertId();
        if (id.isValid())
            for (const Field* f : tableFields(ds, table))
                if (f->isAutoIncrement() && std::size_t(f->column()) < change.newValues.size() &&
                    change.newValues[std::size_t(f->column())].null)
                    change.newValues[std::size_t(f->column())] = DataSet::toCell(id, f->dataType());
    }
}
