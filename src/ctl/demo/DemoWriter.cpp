#include "ctl/demo/DemoWriter.h"

#include "ctl/demo/DemoTime.h"
#include "ctl/demo/DemoWorld.h"

#include <algorithm>

namespace {

const char* const kMealColumns =
    "ver_id,pos_sequ,card_sequ,opcard_id,clock_id,emp_id,sys_id,card_id,sign_time,mark,flag,card_times,"
    "card_consume,card_balance,kind,op_ymd,op_user,empname,deptno,deptname,stadescr,isAddBack";
const char* const kChargeColumns = "emp_id,sys_id,card_id,empname,deptno,deptname,charge_money,card_balance,"
                                   "card_times,card_sequ,Kind,opcard_id,"
                                   "op_date,op_ymd,clock_id,stadescr,PaySource,tradeNo,charge_ver,isAddBack";
const char* const kOperators[] = {"", "ADMIN", "OPER1"};

std::string utf8(const QString& s) {
    return s.toStdString();
}

} // namespace

DemoWriter::DemoWriter(DemoWorld& world, BulkLoad& load) : m_world(world), m_load(load) {
    for (const DemoPerson& p : world.people) {
        const DemoDepartment& d = world.departments[size_t(p.department)];
        m_holders.push_back({utf8(p.empno), utf8(p.name), utf8(d.deptno), utf8(d.name)});
    }
    m_posSequ.assign(world.terminals.size() + 1, 0);
    m_meal = std::make_unique<BulkInsert>(load, "MealRecords", kMealColumns);
    m_charge = std::make_unique<BulkInsert>(load, "MChargeRecords", kChargeColumns);
    m_key = std::make_unique<BulkInsert>(load, "keydetail", "clock_id,Devno,RecNo,KeyID,Price");
    m_store = std::make_unique<BulkInsert>(load, "storedetail", "clock_id,Devno,RecSum,StoreNo,Price,Amount");
    m_timed = std::make_unique<BulkInsert>(load, "tmdetail",
                                           "clock_id,Devno,StartTme,EndTime,StartBanlance,EndBanlance");
    m_mealBak = std::make_unique<BulkInsert>(load, "mealrecords_bak", kMealColumns);
    m_mealDouble = std::make_unique<BulkInsert>(load, "mealrecords_dou_bak", kMealColumns);
    m_chargeBak = std::make_unique<BulkInsert>(load, "MChargeRecords_bak", kChargeColumns);
    m_chargeDouble = std::make_unique<BulkInsert>(load, "MChargeRecords_dou_bak", kChargeColumns);
    m_chargeFull = std::make_unique<BulkInsert>(load, "MChargeRecords_FullBak", kChargeColumns);
}

DemoWriter::~DemoWriter() = default;

const DemoWriter::Holder& DemoWriter::holderOfCard(int card) const {
    const int person = m_world.cards[size_t(card)].person;
    return person < 0 ? m_nobody : m_holders[size_t(person)];
}

void DemoWriter::writeBatch(DemoLedger& ledger, int64_t backupFrom) {
    std::vector<DemoRecord>& records = ledger.records;
    std::stable_sort(records.begin(), records.end(), [](const DemoRecord& a, const DemoRecord& b) {
        if (a.time != b.time)
            return a.time < b.time;
        if (a.card != b.card)
            return a.card < b.card;
        return a.sequence < b.sequence;
    });
    for (DemoRecord& r : records) {
        if (r.meal && r.clockId > 0)
            r.posSequ = ++m_posSequ[size_t(r.clockId)];
        if (r.meal) {
            if (!r.gap)
                writeMeal(*m_meal, r);
            if (r.gap || r.time >= backupFrom)
                writeMeal(*m_mealBak, r);
            if (r.gap && !m_backupDuplicated) {
                // A terminal that delivered the same record twice.
                writeMeal(*m_mealBak, r);
                m_backupDuplicated = true;
            }
            if (r.duplicate)
                writeMeal(*m_mealDouble, r);
            writeDetails(r, ledger.details);
        } else {
            if (!r.gap)
                writeCharge(*m_charge, r);
            if (r.gap) {
                writeCharge(*m_chargeBak, r);
                writeCharge(*m_chargeFull, r);
            }
            if (r.duplicate)
                writeCharge(*m_chargeDouble, r);
        }
    }
    ledger.clearBatch();
}

void DemoWriter::writeMeal(BulkInsert& t, const DemoRecord& r) {
    const DemoCard& c = m_world.cards[size_t(r.card)];
    const Holder& h = holderOfCard(r.card);
    const bool nobody = c.person < 0;
    t.row().integer(1).integerOrNull(r.posSequ, r.clockId <= 0).integer(r.sequence).text(kOperators[r.op]);
    t.integerOrNull(r.clockId, r.clockId <= 0);
    nobody ? t.null() : t.text(h.empno);
    t.integer(c.cardId).integer(c.cardId).dateTime(r.time).integer(0).integer(r.code).integer(r.times);
    t.money(r.amount).money(r.balance).integer(r.mealKind).date(r.time).text(kOperators[r.op]);
    nobody ? t.null().null().null() : t.text(h.name).text(h.deptno).text(h.deptname);
    t.null().integer(0).end();
}

void DemoWriter::writeCharge(BulkInsert& t, const DemoRecord& r) {
    const DemoCard& c = m_world.cards[size_t(r.card)];
    const Holder& h = holderOfCard(r.card);
    const bool nobody = c.person < 0;
    t.row();
    nobody ? t.null() : t.text(h.empno);
    t.integer(c.cardId).integer(c.cardId);
    nobody ? t.null().null().null() : t.text(h.name).text(h.deptno).text(h.deptname);
    t.money(r.amount)
        .money(r.balance)
        .integer(r.times)
        .integer(r.sequence)
        .integer(r.code)
        .text(kOperators[r.op]);
    t.dateTime(r.time).date(r.time).integerOrNull(r.clockId, r.clockId <= 0).null();
    if (r.paySource) {
        // The payment service's trade number: time, card and card sequence.
        std::string trade = DemoTime::dateTimeText(r.time);
        trade.erase(std::remove_if(trade.begin(), trade.end(), [](char ch) { return ch < '0' || ch > '9'; }),
                    trade.end());
        trade += std::to_string(c.cardId) + std::to_string(r.sequence);
        t.integer(r.paySource).text(trade);
    } else {
        t.null().null();
    }
    t.integerOrNull(r.chargeVer, r.chargeVer == 0).integer(0).end();
}

void DemoWriter::writeDetails(const DemoRecord& r, const std::vector<DemoDetail>& details) {
    for (int i = 0; i < r.detailCount; ++i) {
        const DemoDetail& d = details[size_t(r.firstDetail + i)];
        if (r.code == 3) {
            m_key->row().integer(r.clockId).integer(r.posSequ).integer(d.b).integer(d.a).money(d.c).end();
        } else if (r.code == 5) {
            m_store->row()
                .integer(r.clockId)
                .integer(r.posSequ)
                .integer(d.b)
                .integer(d.a)
                .money(d.c)
                .integer(d.d)
                .end();
        } else if (r.code == 6) {
            m_timed->row()
                .integer(r.clockId)
                .integer(r.posSequ)
                .dateTime(r.time - int64_t(d.a) * 60)
                .dateTime(r.time);
            m_timed->money(d.c).money(d.d).end();
        }
    }
}

void DemoWriter::flush() {
    for (BulkInsert* t :
         {m_meal.get(), m_charge.get(), m_key.get(), m_store.get(), m_timed.get(), m_mealBak.get(),
          m_mealDouble.get(), m_chargeBak.get(), m_chargeDouble.get(), m_chargeFull.get()})
        t->flush();
}
