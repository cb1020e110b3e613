#pragma once
// Writes the changes posted in a data set to its base table ("Unique Table")
// with bound INSERT, UPDATE and DELETE statements. Rows are found by the
// table's key fields, or by all their original values when the result has no
// key. Immediately (each Post and Delete runs its statement, a failure leaves
// the data set in its editing state) or batch-optimistic (changes are kept,
// merged per row, and sent in one transaction by updateBatch()).
#include "dataset/DataSet.h"
#include "db/SqlDialect.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

#include <map>
#include <vector>

class SqlTrace;

class BaseTableWriter {
public:
    enum class Mode { Immediate, BatchOptimistic };

    struct Statement {
        QString sql; // with "?" markers
        QVariantList values;
    };

    BaseTableWriter(const QSqlDatabase& db, const SqlDialect& dialect, const SqlTrace* trace = nullptr);

    // Installs this writer as the data set's poster. The writer must outlive
    // the data set's use of it.
    void attach(DataSet& dataSet, Mode mode);
    Mode mode() const { return m_mode; }

    // Batch-optimistic: rows with changes not yet sent.
    int pendingCount() const { return int(m_order.size()); }
    // Sends the kept changes in one transaction. On failure everything is
    // rolled back, the changes stay pending, and DbError is thrown.
    void updateBatch(const DataSet& dataSet);
    void cancelBatch();

    // The statement for one change of `dataSet` (exposed for tests).
    Statement build(const DataSet& dataSet, const DataSet::Change& change) const;

private:
    void post(DataSet& dataSet, DataSet::Change& change);
    void run(const Statement& statement, bool mustTouchRow, qint64* insertId) const;
    bool rowStillThere(const Statement& update) const;
    QString identifier(const QString& name) const;

    QSqlDatabase m_db;
    SqlDialect m_dialect;
    const SqlTrace* m_trace;
    Mode m_mode = Mode::Immediate;
    std::map<Bookmark, DataSet::Change> m_pending;
    std::vector<Bookmark> m_order; // rows in the order of their first change
};
