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
};

// The steps in execution order (seventeen probes).
const QVector<SchemaUpgradeStep>& schemaUpgradeSteps();

// Runs every step on `query`, each text traced through `runner`. A probe that
// raises leads to its statement; a statement that raises ends the upgrade with
// that DbError, and the steps before it stay applied.
SchemaUpgradeResult UpgradeSchema(QSqlQuery& query, const QueryRunner& runner);
// The same on the module connection of `session`.
SchemaUpgradeResult UpgradeSchema(const Session& session);
