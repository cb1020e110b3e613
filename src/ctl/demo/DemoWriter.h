#pragma once
// Writes the demo data: the fixed tables first, then the transactions batch by
// batch in time order (terminal counters are numbered here), then the tables
// that hold the final state (cards, people, allowances, card costs).
#include "ctl/demo/BulkInsert.h"
#include "ctl/demo/DemoLedger.h"

#include <memory>
#include <string>
#include <vector>

class DemoWorld;

class DemoWriter {
public:
    DemoWriter(DemoWorld& world, BulkLoad& load);
    ~DemoWriter();

    void writeFixedTables(const QString& companyName);
    // Writes and empties the ledger's batch. Meal records from `backupFrom` on
    // are also copied to the backup table, as the terminals delivered them.
    void writeBatch(DemoLedger& ledger, int64_t backupFrom);
    void writeFinalTables(const DemoLedger& ledger);
    void flush();

private:
    struct Holder {
        std::string empno, name, deptno, deptname;
    };
    void writeMeal(BulkInsert& table, const DemoRecord& r);
    void writeCharge(BulkInsert& table, const DemoRecord& r);
    void writeDetails(const DemoRecord& r, const std::vector<DemoDetail>& details);
    void writePeople();
    void writeCards();
    void writeAllowances(const DemoLedger& ledger);
    void writeSideTables(const DemoLedger& ledger);
    const Holder& holderOfCard(int card) const;

    DemoWorld& m_world;
    BulkLoad& m_load;
    std::vector<Holder> m_holders; // per person, texts ready for SQL
    Holder m_nobody;
    std::vector<int> m_posSequ; // per terminal
    bool m_backupDuplicated = false;
    std::unique_ptr<BulkInsert> m_meal, m_charge, m_key, m_store, m_timed, m_mealBak, m_mealDouble,
        m_chargeBak, m_chargeDouble, m_chargeFull;
};
