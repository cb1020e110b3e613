#pragma once
// Brings the shared tables up to this module's column set at every start,
// without a version number: each expected column is probed with a select, and
// added when the probe fails. The texts go to the database exactly as listed.
#include <QString>
#include <QStringList>
#include <QVector>

class QSqlQuery;
class QueryRunner;
class Session;

struct SchemaUpgradeStep {
    QString probe;
    QString statement;
    // Run the probe again after the statement (it then must succeed).
    bool reprobe = false;
};

struct SchemaUpgradeResult {
    int probesRun = 0;
    QStringList statementsRun; // the statements executed, in order
    QStringList indexesAdded;  // the index statements executed (see schemaIndexSteps)
    // The maintenance key's site secret: the table and its random secret when missing.
    QStringList siteSecretStatements;
    // What kept a step from being applied (also written to the trace).
    QStringList notes;
};

// An index the module reads along: the rows of some cards, or of a period.
// Any index whose first column is `leadingColumn` will do; only a table
// without one gets `statement`.
struct SchemaIndexStep {
    QString table; // lower case, as the catalogue names it
    QString leadingColumn;
    QString statement;
};
const QVector<SchemaIndexStep>& schemaIndexSteps();

// The steps in execution order (seventeen probes).
const QVector<SchemaUpgradeStep>& schemaUpgradeSteps();

// Runs every step on `query`, each text traced through `runner`. A probe that
// raises leads to its statement; a statement that raises ends the upgrade with
// that DbError, and the steps before it stay applied.
SchemaUpgradeResult UpgradeSchema(QSqlQuery& query, const QueryRunner& runner);
// The same on the module connection of `session`, then, on MariaDB, the
// indexes of schemaIndexSteps that the host's tables lack and the unique key
// of the allowance serials, then the site secret of the maintenance key when
// there is none.
SchemaUpgradeResult UpgradeSchema(const Session& session);
// Only the index steps; returns the statements executed.
QStringList AddMissingIndexes(QSqlQuery& query, const QueryRunner& runner);
// A person's allowance serial is unique: the unique key on mallowance
// (emp_id, charge_ver), added when no such key exists and the stored rows
// allow it. Returns the statement executed (empty when none); when serials
// are already used twice the key is not added and *note says which.
QString AddAllowanceSerialKey(QSqlQuery& query, const QueryRunner& runner, QString* note);
