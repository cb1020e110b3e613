#include "db/SchemaUpgrade.h"

#include "db/DbError.h"
#include "db/MaintenanceKey.h"
#include "db/QueryRunner.h"
#include "db/Session.h"

#include <QSet>
#include <QSqlQuery>

const QVector<SchemaUpgradeStep>& schemaUpgradeSteps() {
    // The spacing, letter case and trailing ";" are as older versions of the
    // module sent them; the newCard_id step is run twice on purpose.
    static const QVector<SchemaUpgradeStep> steps{
        {QStringLiteral("select Amount  from StoreDetail where 1=2 "),
         QStringLiteral("Alter table StoreDetail add Amount int NULL")},
        {QStringLiteral("select CardStatus  from Cardinfo where 1=2 "),
         QStringLiteral("Alter table Cardinfo add CardStatus int NULL")},
        {QStringLiteral("select validdate  from Cardinfo where 1=2 "),
         QStringLiteral("Alter table Cardinfo  add validdate datetime")},
        {QStringLiteral("select CardFormatVer  from Cardinfo where 1=2 "),
         QStringLiteral("Alter table Cardinfo  add CardFormatVer int")},
        {QStringLiteral("select CardFactory  from Cardinfo where 1=2 "),
         QStringLiteral("Alter table Cardinfo add CardFactory varchar(50) NULL ")},
        {QStringLiteral("select lastTimeRec  from clocks where 1=2 "),
         QStringLiteral("Alter table clocks add lastTimeRec datetime ")},
        {QStringLiteral("select CardStatusDes  from Cardinfo where 1=2 "),
         QStringLiteral("Alter table Cardinfo add CardStatusDes varchar(20) NULL ")},
        {QStringLiteral("select CardStatusDate  from Cardinfo where 1=2 "),
         QStringLiteral("Alter table Cardinfo add CardStatusDate datetime NULL;")},
        {QStringLiteral("select isAddBack  from mealrecords where 1=2 "),
         QStringLiteral("alter table mealrecords add isAddBack int NULL")},
        {QStringLiteral("select *  from pos_lockBillDate where 1=2 "),
         QStringLiteral("create table pos_lockBillDate(BillLockDate datetime , AddDate datetime)")},
        {QStringLiteral("select charge_ver  from mchargerecords where 1=2 "),
         QStringLiteral("alter table mchargerecords add charge_ver int NULL")},
        {QStringLiteral("select isAddBack  from mchargerecords where 1=2 "),
         QStringLiteral("alter table mchargerecords add isAddBack int NULL")},
        {QStringLiteral("select charge_ver  from mchargerecords_bak where 1=2 "),
         QStringLiteral("alter table mchargerecords_bak add charge_ver int NULL")},
        {QStringLiteral("select clock_sn  from clocks where 1=2 "),
         QStringLiteral("alter table clocks add clock_sn varchar(30) NULL")},
        {QStringLiteral("select newCard_id  from mallowance where 1=2 "),
         QStringLiteral("alter table mallowance add newCard_id int NULL")},
        {QStringLiteral("select newCard_id  from mallowance where 1=2 "),
         QStringLiteral("alter table mallowance add newCard_id int NULL")},
        {QStringLiteral("select isControlCard  from company "),
         QStringLiteral("alter table company add isControlCard int "), true},
    };
    return steps;
}

namespace {
// A probe that opens leaves nothing behind; one that raises answers "missing".
bool probe(QSqlQuery& query, const QueryRunner& runner, const QString& sql, SchemaUpgradeResult& result) {
    ++result.probesRun;
    try {
        runner.RunQuery(query, sql, true);
        query.finish();
        return true;
    } catch (const DbError&) {
        query.finish();
        return false;
    }
}
} // namespace

SchemaUpgradeResult UpgradeSchema(QSqlQuery& query, const QueryRunner& runner) {
    SchemaUpgradeResult result;
    for (const SchemaUpgradeStep& step : schemaUpgradeSteps()) {
        if (probe(query, runner, step.probe, result))
            continue;
        runner.RunQuery(query, step.statement, false);
        result.statementsRun << step.statement;
        if (step.reprobe) {
            ++result.probesRun;
            runner.RunQuery(query, step.probe, true);
            query.finish();
        }
    }
    return result;
}

const QVector<SchemaIndexStep>& schemaIndexSteps() {
    // The monthly bill reads a period along the time columns and the history
    // of a group of cards along card_id; a host database may have built its
    // tables without these indexes, or with other names for them.
    static const QVector<SchemaIndexStep> steps{
        {QStringLiteral("mealrecords"), QStringLiteral("card_id"),
         QStringLiteral("create index ix_meal_bill_card on mealrecords (card_id, card_sequ)")},
        {QStringLiteral("mealrecords"), QStringLiteral("sign_time"),
         QStringLiteral("create index ix_meal_bill_time on mealrecords (sign_time)")},
        {QStringLiteral("mchargerecords"), QStringLiteral("card_id"),
         QStringLiteral("create index ix_charge_bill_card on mchargerecords (card_id, card_sequ)")},
        {QStringLiteral("mchargerecords"), QStringLiteral("op_date"),
         QStringLiteral("create index ix_charge_bill_time on mchargerecords (op_date)")},
    };
    return steps;
}

QStringList AddMissingIndexes(QSqlQuery& query, const QueryRunner& runner) {
    // One look at the catalogue: the first column of every index of the two tables.
    runner.RunQuery(query,
                    QStringLiteral("select lower(table_name), lower(column_name) from "
                                   "information_schema.statistics where table_schema = database() and "
                                   "seq_in_index = 1 and lower(table_name) in ('mealrecords', "
                                   "'mchargerecords')"),
                    true);
    QSet<QString> leading;
    while (query.next())
        leading.insert(query.value(0).toString() + QLatin1Char('.') + query.value(1).toString());
    query.finish();
    QStringList added;
    for (const SchemaIndexStep& step : schemaIndexSteps()) {
        const QString key = step.table + QLatin1Char('.') + step.leadingColumn;
        if (leading.contains(key))
            continue;
        runner.RunQuery(query, step.statement, false);
        leading.insert(key);
        added << step.statement;
    }
    return added;
}

QString AddAllowanceSerialKey(QSqlQuery& query, const QueryRunner& runner, QString* note) {
    // Any unique index over exactly these two columns will do.
    runner.RunQuery(
        query,
        QStringLiteral("select index_name from information_schema.statistics where table_schema = "
                       "database() and lower(table_name) = 'mallowance' and non_unique = 0 group by "
                       "index_name having count(*) = 2 and sum(lower(column_name) in ('emp_id', "
                       "'charge_ver')) = 2"),
        true);
    const bool present = query.next();
    query.finish();
    if (present)
        return QString();
    runner.RunQuery(
        query,
        QStringLiteral("select emp_id, charge_ver, count(*) from mallowance where emp_id is not null "
                       "and charge_ver is not null group by emp_id, charge_ver having count(*) > 1 "
                       "order by emp_id, charge_ver"),
        true);
    int clashes = 0;
    QStringList examples;
    while (query.next()) {
        if (++clashes <= 5)
            examples << QStringLiteral("%1/%2 x%3")
                            .arg(query.value(0).toString(), query.value(1).toString(),
                                 query.value(2).toString());
    }
    query.finish();
    if (clashes > 0) {
        *note =
            QStringLiteral("mallowance: %1 serials (emp_id/charge_ver) are held by more than one row (%2%3); "
                           "the unique key on (emp_id, charge_ver) is not added until they are renumbered")
                .arg(QString::number(clashes), examples.join(QStringLiteral(", ")),
                     clashes > 5 ? QStringLiteral(", ...") : QString());
        runner.trace().write(*note);
        return QString();
    }
    const QString statement =
        QStringLiteral("create unique index ux_mallowance_emp_ver on mallowance (emp_id, charge_ver)");
    runner.RunQuery(query, statement, false);
    return statement;
}

SchemaUpgradeResult UpgradeSchema(const Session& session) {
    QSqlQuery query(session.ModuleConnection);
    SchemaUpgradeResult result = UpgradeSchema(query, session.runner());
    if (session.IsMySQL()) {
        result.indexesAdded = AddMissingIndexes(query, session.runner());
        QString note;
        const QString serialKey = AddAllowanceSerialKey(query, session.runner(), &note);
        if (!serialKey.isEmpty())
            result.indexesAdded << serialKey;
        if (!note.isEmpty())
            result.notes << note;
    }
    result.siteSecretStatements = MaintenanceKey::ensureSiteSecret(query, session.runner());
    return result;
}
