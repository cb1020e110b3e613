#pragma once
// Books card transactions the way the card system does: each record takes the
// card's next sequence number and carries the balance after it, so that the
// balance before plus the signed amount is the balance after. The records of
// one batch (a day) are collected here and taken away by the writer; the small
// side tables (allowances, card costs, returns, replacements) stay until the end.
#include "ctl/demo/DemoModel.h"

#include <vector>

class DemoWorld;

enum Operator { kTerminal = 0, kAdmin = 1, kOper1 = 2 };

class DemoLedger {
public:
    explicit DemoLedger(DemoWorld& world) : m_world(world) {}

    // A charge (positive amount) of recharge kind `kind`.
    DemoRecord& charge(int card, int64_t time, int kind, int64_t amount, int op, int clockId);
    // A meal record; `amount` is money off the card (negative for a correction).
    DemoRecord& meal(int card, int64_t time, int flag, int64_t amount, int op, int clockId);
    // The zero-amount manual recharge that opens a replacement card with the
    // balance carried over from the lost one.
    DemoRecord& transfer(int card, int64_t time, int64_t balance);
    void addDetail(DemoRecord& record, const DemoDetail& detail);

    // The time the card's next record may take: never before its last one.
    int64_t nextTime(int card, int64_t wanted) const;

    std::vector<DemoRecord> records;
    std::vector<DemoDetail> details;
    std::vector<DemoAllowance> allowances;
    std::vector<DemoCardCost> cardCosts;
    std::vector<DemoReturn> returns;
    std::vector<DemoChange> changes;

    // Empties the batch (records and their line items).
    void clearBatch();

private:
    DemoRecord& book(int card, int64_t time, bool meal, int code, int64_t delta);
    DemoWorld& m_world;
};
