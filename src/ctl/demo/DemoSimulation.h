#pragma once
// Plays the demo period day by day: card issues, meals at the terminals with
// their line items, recharges when a card runs low, allowances registered on
// the first of each month and taken at the allowance terminals, batch and
// manual recharges, refunds, corrections, supplements, clearings, lost and
// replaced cards, departures with card returns. Every flag and recharge kind
// occurs at least once: the first people carry one of each on the first day.
#include "ctl/demo/DemoLedger.h"
#include "ctl/demo/DemoRandom.h"

#include <map>
#include <vector>

class DemoWorld;

class DemoSimulation {
public:
    DemoSimulation(DemoWorld& world, DemoLedger& ledger);

    int days() const { return m_days; }
    // History of the cards issued before the period (and of people who left before it).
    void runBeforePeriod();
    // One day of the period (0 = the first day); its records go to the ledger's batch.
    void runDay(int day);

private:
    enum class Act {
        Issue,
        Replace,
        Lost,
        Leave,
        Sale,
        Refund,
        Correction,
        Supplement,
        Clear,
        Manual,
        Batch,
        Desk,
        Forced
    };
    struct Intent {
        int64_t time;
        Act act;
        int code;
        int slot;
    };

    void collectIntents(int person, int day, DemoRandom& rng, std::vector<Intent>& intents);
    void perform(int person, const Intent& intent, DemoRandom& rng);
    int cardAt(const DemoPerson& p, int64_t time) const;
    void registerAllowances(int64_t time, bool lastRegistration);
    void takeAllowance(int person, int card, int64_t time);
    void sale(int card, int64_t time, int flag, int slot, DemoRandom& rng);
    void recharge(int card, int64_t time, DemoRandom& rng, int forcedKind = -1);
    void ensureBalance(int card, int64_t time, int64_t amount, DemoRandom& rng);
    void refund(int card, int64_t time, DemoRandom& rng, bool atDesk);
    void forced(int card, int64_t time, int code, DemoRandom& rng);
    void leave(int card, int64_t time);
    void replace(int person, int64_t time, DemoRandom& rng);
    void markBackups(size_t firstRecord, int card, int day);
    int saleTerminal(int card, DemoRandom& rng) const;
    int roomOf(int card) const;

    DemoWorld& m_world;
    DemoLedger& m_ledger;
    int64_t m_start = 0;
    int m_days = 0;
    double m_salesPerDay = 3.0;
    std::vector<int> m_pendingAllowance; // per person, index into the allowances or -1
    struct Target {
        int day;
        bool charge;
        bool gap;
    };
    std::map<int, std::vector<Target>> m_targets; // per card
    std::vector<int> m_forcedCodes;
};
