#pragma once
// The fixed part of the demo data, planned before any transaction: the
// department tree, dining rooms and terminals, meal periods, articles, the
// people with what happens to them in the period, and their cards.
#include "ctl/demo/DemoModel.h"
#include "ctl/demo/DemoScale.h"

#include <QDate>

#include <cstdint>
#include <vector>

class DemoWorld {
public:
    DemoWorld(const DemoScale& scale, const QDate& endDate, uint64_t seed);

    const DemoScale& scale() const { return m_scale; }
    uint64_t seed() const { return m_seed; }
    QDate startDate() const { return m_start; }
    QDate endDate() const { return m_end; }

    std::vector<DemoDepartment> departments;
    std::vector<DemoTerminal> terminals;
    std::vector<DemoPeriod> periods;
    std::vector<DemoArticle> articles;
    std::vector<DemoPerson> people;
    std::vector<DemoCard> cards;
    int testCard = -1; // the card of nobody

    // The meal period whose valid window holds the time of day, else 0.
    int periodAt(int64_t time) const;
    // Sale terminals of a dining room, and its allowance terminal.
    const std::vector<int>& saleTerminals(int room) const { return m_saleTerminals.at(size_t(room - 1)); }
    int allowanceTerminal(int room) const { return m_allowanceTerminals.at(size_t(room - 1)); }
    int cashierTerminal() const { return m_cashier; }
    std::vector<int> allowanceTerminals() const;
    int rooms() const { return int(m_saleTerminals.size()); }

private:
    void planDepartments();
    void planTerminals();
    void planPeriods();
    void planPeople();
    void issueCards();

    DemoScale m_scale;
    uint64_t m_seed;
    QDate m_start;
    QDate m_end;
    std::vector<std::vector<int>> m_saleTerminals;
    std::vector<int> m_allowanceTerminals;
    int m_cashier = 0;
    std::vector<int> m_periodOfMinute; // 1440 entries
};
