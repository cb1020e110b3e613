#pragma once
// Writes a data set's posted changes to its base table ("Unique Table") with
// bound INSERT, UPDATE and DELETE statements, keyed on the key fields or, when
// the table has no key in the data set, on every original value. Installed
// as the data set's poster.
#include "dataset/DataSet.h"

#include <QSqlDatabase>
#include <QString>

class SqlTrace;

class TablePoster {
public:
    TablePoster(QSqlDatabase db, const SqlTrace* trace);

    // Installs the poster on `dataSet` for `table` (empty: the data set's Unique Table).
    static void install(DataSet& dataSet, QSqlDatabase db, const SqlTrace* trace,
                        const QString& table = QString());

    // The statement and its values for a change (for tests and the trace).
    struct Statement {
        QString sql;
        QVariantList values;
    };
    static Statement build(const DataSet& dataSet, const DataSet::Change& change, const QString& table,
                           bool mySql);

    // Runs the change; throws DbError when the engine refuses it or when an
    // update or delete finds no row to change.
    void post(DataSet& dataSet, DataSet::Change& change, const QString& table) const;

private:
    QSqlDatabase m_db;
    const SqlTrace* m_trace;
};
