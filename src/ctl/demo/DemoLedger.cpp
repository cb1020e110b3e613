#include "ctl/demo/DemoLedger.h"

#include "ctl/demo/DemoWorld.h"

#include <algorithm>

int64_t DemoLedger::nextTime(int card, int64_t wanted) const {
    const DemoCard& c = m_world.cards[size_t(card)];
    return c.lastTime == std::numeric_limits<int64_t>::min() ? wanted : std::max(wanted, c.lastTime + 17);
}

DemoRecord& DemoLedger::book(int card, int64_t time, bool meal, int code, int64_t delta) {
    DemoCard& c = m_world.cards[size_t(card)];
    DemoRecord r;
    r.time = nextTime(card, time);
    r.card = card;
    r.sequence = ++c.sequence;
    c.balance += delta;
    r.balance = c.balance;
    r.meal = meal;
    r.code = code;
    r.times = meal ? ++c.mealCount : ++c.chargeCount;
    r.firstDetail = int(details.size());
    c.lastTime = r.time;
    records.push_back(r);
    return records.back();
}

DemoRecord& DemoLedger::charge(int card, int64_t time, int kind, int64_t amount, int op, int clockId) {
    DemoRecord& r = book(card, time, false, kind, amount);
    r.amount = amount;
    r.op = op;
    r.clockId = clockId;
    return r;
}

DemoRecord& DemoLedger::meal(int card, int64_t time, int flag, int64_t amount, int op, int clockId) {
    DemoRecord& r = book(card, time, true, flag, -amount);
    r.amount = amount;
    r.op = op;
    r.clockId = clockId;
    r.mealKind = m_world.periodAt(r.time);
    return r;
}

DemoRecord& DemoLedger::transfer(int card, int64_t time, int64_t balance) {
    DemoCard& c = m_world.cards[size_t(card)];
    c.balance = balance; // carried over, not charged
    DemoRecord& r = book(card, time, false, 0, 0);
    r.amount = 0;
    r.op = kOper1;
    return r;
}

void DemoLedger::addDetail(DemoRecord& record, const DemoDetail& detail) {
    details.push_back(detail);
    ++record.detailCount;
}

void DemoLedger::clearBatch() {
    records.clear();
    details.clear();
}
