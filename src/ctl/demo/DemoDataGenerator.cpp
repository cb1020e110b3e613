#include "ctl/demo/DemoDataGenerator.h"

#include "ctl/demo/BulkInsert.h"
#include "ctl/demo/DemoLedger.h"
#include "ctl/demo/DemoSimulation.h"
#include "ctl/demo/DemoTime.h"
#include "ctl/demo/DemoWorld.h"
#include "ctl/demo/DemoWriter.h"
#include "db/DbError.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

namespace {
const char* const kTables[] = {"MealRecords",
                               "MChargeRecords",
                               "keydetail",
                               "storedetail",
                               "tmdetail",
                               "mealrecords_bak",
                               "mealrecords_dou_bak",
                               "MChargeRecords_bak",
                               "MChargeRecords_dou_bak",
                               "MChargeRecords_FullBak",
                               "mcardcost",
                               "ReturnCard",
                               "MChangeCard",
                               "mallowance",
                               "allowtasklist",
                               "cardinfo",
                               "hum_employee",
                               "hum_employee_lz",
                               "hum_Department",
                               "cardtype",
                               "clocks",
                               "dinroom",
                               "Dinlev",
                               "store",
                               "Company",
                               "sys_user"};
// Days at the end of the period whose meal records are also in the backup table.
constexpr int kBackupDays = 2;
} // namespace

const char* const* DemoDataGenerator::filledTables(int* count) {
    *count = int(sizeof(kTables) / sizeof(kTables[0]));
    return kTables;
}

DemoDataGenerator::DemoDataGenerator(const QSqlDatabase& db, const DemoOptions& options,
                                     QTextStream& progress)
    : m_db(db), m_options(options), m_progress(progress) {}

void DemoDataGenerator::prepareTables() {
    QSqlQuery q(m_db);
    QStringList filled;
    for (const char* table : kTables) {
        if (!q.exec(QStringLiteral("select 1 from %1 limit 1").arg(QLatin1String(table))))
            throw DbError(QStringLiteral("表 %1 不可用: %2").arg(QLatin1String(table), q.lastError().text()));
        if (q.next())
            filled << QLatin1String(table);
    }
    if (filled.isEmpty())
        return;
    if (!m_options.replace)
        throw DbError(QStringLiteral("数据库已有数据 (%1); 用 --replace 清空后重新生成")
                          .arg(filled.join(QStringLiteral(", "))));
    for (const char* table : kTables)
        if (!q.exec(QStringLiteral("TRUNCATE TABLE %1").arg(QLatin1String(table))))
            throw DbError(q.lastError().text());
}

DemoSummary DemoDataGenerator::run() {
    QElapsedTimer clock;
    clock.start();
    prepareTables();
    DemoWorld world(m_options.scale, m_options.endDate, m_options.seed);
    m_progress << "demo-data: scale " << m_options.scale.name << ", "
               << world.startDate().toString(Qt::ISODate) << " .. " << world.endDate().toString(Qt::ISODate)
               << ", " << world.people.size() << " people, " << world.cards.size() << " cards\n";
    m_progress.flush();

    BulkLoad load(m_db);
    DemoWriter writer(world, load);
    writer.writeFixedTables(m_options.companyName);

    DemoLedger ledger(world);
    DemoSimulation simulation(world, ledger);
    const int64_t backupFrom = DemoTime::at(world.endDate().addDays(1 - kBackupDays), 0, 0);
    int64_t transactions = 0;
    simulation.runBeforePeriod();
    transactions += int64_t(ledger.records.size());
    writer.writeBatch(ledger, backupFrom);
    for (int day = 0; day < simulation.days(); ++day) {
        simulation.runDay(day);
        transactions += int64_t(ledger.records.size());
        writer.writeBatch(ledger, backupFrom);
        if (day % 7 == 6 || day + 1 == simulation.days()) {
            m_progress << "demo-data: " << world.startDate().addDays(day).toString(Qt::ISODate) << "  "
                       << transactions << " records, " << clock.elapsed() / 1000 << " s\n";
            m_progress.flush();
        }
    }
    writer.writeFinalTables(ledger);
    load.finish();

    DemoSummary summary;
    summary.rows = load.rowsWritten();
    summary.transactions = transactions;
    summary.cards = int(world.cards.size());
    summary.people = int(world.people.size());
    m_progress << "demo-data: done, " << summary.rows << " rows in " << clock.elapsed() / 1000 << " s\n";
    m_progress.flush();
    return summary;
}
