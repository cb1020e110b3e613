#include "ctl/demo/DemoSimulation.h"

#include "ctl/demo/DemoTime.h"
#include "ctl/demo/DemoWorld.h"

#include <algorithm>

namespace {

// Meal slots: window in minutes of the day and relative frequency.
struct Slot {
    int from;
    int to;
    double weight;
    int priceCents;
};
const Slot kSlots[] = {{390, 560, 0.55, 300},
                       {640, 800, 0.95, 1000},
                       {1000, 1160, 0.45, 800},
                       {1265, 1400, 0.08, 600},
                       {850, 975, 0.12, 400}};
constexpr double kSlotWeights = 0.55 + 0.95 + 0.45 + 0.08 + 0.12;

const int kSaleFlags[] = {1, 2, 3, 4, 5, 6, 7, 103};
const int kSaleFlagWeights[] = {22, 34, 10, 8, 10, 3, 5, 3};
const int kKeyPrices[] = {100, 150, 200, 250, 300, 400, 500, 600, 800, 1000};

constexpr int64_t kMaxBalance = 90000;
constexpr int kChargeCode = 1000; // forced codes above this are recharge kinds

double dayWeight(const QDate& d) {
    return d.dayOfWeek() >= 6 ? 0.45 : 1.0;
}

} // namespace

DemoSimulation::DemoSimulation(DemoWorld& world, DemoLedger& ledger)
    : m_world(world), m_ledger(ledger), m_start(DemoTime::at(world.startDate(), 0, 0)),
      m_days(int(world.startDate().daysTo(world.endDate())) + 1) {
    double weights = 0;
    for (int d = 0; d < m_days; ++d)
        weights += dayWeight(world.startDate().addDays(d));
    // Sales per card and weekday so that, with the recharges and allowances they
    // bring and the cards that come and go, the period holds about the
    // transactions the scale asks for.
    m_salesPerDay =
        1.06 * double(world.scale().transactions) / (double(world.scale().cards) * std::max(1.0, weights));
    m_pendingAllowance.assign(world.people.size(), -1);

    m_forcedCodes = {1, 2, 3, 4, 5, 6, 7, 9, 14, 90, 102, 103, 105};
    for (int kind : {0, 1, 2, 3, 30, 31, 104})
        m_forcedCodes.push_back(kChargeCode + kind);

    // Records kept only in the backup tables (gaps) and records set aside as
    // duplicates, on cards held all period long.
    DemoRandom rng(world.seed() ^ 0x6A9ULL);
    std::vector<int> candidates;
    for (size_t i = 0; i < world.people.size(); ++i) {
        const DemoPerson& p = world.people[i];
        if (p.fate == Fate::Stays && p.hireTime < m_start && !p.cards.empty() && i >= m_forcedCodes.size())
            candidates.push_back(p.cards.front());
    }
    const int wanted = world.scale().gaps + world.scale().duplicates;
    for (int k = 0; k < wanted && !candidates.empty(); ++k) {
        const size_t at = size_t(rng.range(0, int(candidates.size()) - 1));
        const int card = candidates[at];
        candidates.erase(candidates.begin() + std::ptrdiff_t(at));
        const bool gap = k < world.scale().gaps;
        const int j = gap ? k : k - world.scale().gaps;
        // Most are meal records; every fourth gap and every third duplicate is a charge.
        const bool charge = gap ? j % 4 == 3 : j % 3 == 2;
        m_targets[card].push_back({rng.range(1, std::max(1, m_days / 2)), charge, gap});
    }
}

int DemoSimulation::roomOf(int card) const {
    const int person = m_world.cards[size_t(card)].person;
    return person < 0 ? 1 : m_world.people[size_t(person)].room;
}

int DemoSimulation::saleTerminal(int card, DemoRandom& rng) const {
    const std::vector<int>& t = m_world.saleTerminals(roomOf(card));
    return t[size_t(rng.range(0, int(t.size()) - 1))];
}

int DemoSimulation::cardAt(const DemoPerson& p, int64_t time) const {
    for (auto it = p.cards.rbegin(); it != p.cards.rend(); ++it) {
        const DemoCard& c = m_world.cards[size_t(*it)];
        if (c.issueTime < time)
            return time < c.endTime ? *it : -1;
    }
    return -1;
}

void DemoSimulation::runBeforePeriod() {
    for (int i = 0; i < int(m_world.people.size()); ++i) {
        DemoPerson& p = m_world.people[size_t(i)];
        if (p.fate == Fate::NoCard || p.hireTime >= m_start)
            continue;
        DemoRandom rng = DemoRandom::forKey(m_world.seed(), uint64_t(i), 0xBEF0);
        const int card = p.cards.front();
        m_ledger.charge(card, p.hireTime, 0, rng.chance(0.5) ? 10000 : 20000, kOper1, -1);
        m_ledger.cardCosts.push_back({card, 2000, 0, 1, p.hireTime, QStringLiteral("押金")});
        const int64_t until = std::min(p.leaveTime, m_start);
        const int firstDay = int((p.hireTime - m_start) / DemoTime::kDay) + 1;
        const int lastDay = int((until - m_start) / DemoTime::kDay) - 1;
        const int sales = rng.range(1, 3);
        for (int k = 0; k < sales && firstDay <= lastDay; ++k) {
            const int64_t day = m_start + int64_t(rng.range(firstDay, lastDay)) * DemoTime::kDay;
            sale(card, m_ledger.nextTime(card, day + 12 * 3600 + rng.range(0, 1800)), 2, 1, rng);
        }
        if (p.fate == Fate::LeftBefore)
            leave(card, p.leaveTime);
    }
}

void DemoSimulation::runDay(int day) {
    const QDate date = m_world.startDate().addDays(day);
    const int64_t dayStart = m_start + int64_t(day) * DemoTime::kDay;
    if (date.day() == 1)
        registerAllowances(dayStart + 8 * 3600 + 1800, date.addMonths(1) > m_world.endDate());
    std::vector<Intent> intents;
    for (int i = 0; i < int(m_world.people.size()); ++i) {
        const DemoPerson& p = m_world.people[size_t(i)];
        if (p.fate == Fate::NoCard || p.fate == Fate::LeftBefore)
            continue;
        DemoRandom rng = DemoRandom::forKey(m_world.seed(), uint64_t(i), uint64_t(day) + 1);
        intents.clear();
        collectIntents(i, day, rng, intents);
        std::stable_sort(intents.begin(), intents.end(),
                         [](const Intent& a, const Intent& b) { return a.time < b.time; });
        const size_t first = m_ledger.records.size();
        for (const Intent& intent : intents)
            perform(i, intent, rng);
        for (int card : p.cards)
            markBackups(first, card, day);
    }
    // The test card: a recharge and a sale before its issue date, one after.
    const int test = m_world.testCard;
    DemoRandom rng = DemoRandom::forKey(m_world.seed(), 0x7E57, uint64_t(day));
    if (day == 0) {
        m_ledger.charge(test, dayStart + 10 * 3600, 0, 5000, kAdmin, -1);
        sale(test, dayStart + 12 * 3600, 2, 1, rng);
    } else if (day == 3) {
        sale(test, dayStart + 12 * 3600 + 600, 2, 1, rng);
    }
}

void DemoSimulation::collectIntents(int person, int day, DemoRandom& rng, std::vector<Intent>& intents) {
    const DemoPerson& p = m_world.people[size_t(person)];
    const QDate date = m_world.startDate().addDays(day);
    const int64_t dayStart = m_start + int64_t(day) * DemoTime::kDay;
    const int64_t dayEnd = dayStart + DemoTime::kDay;
    auto within = [&](int64_t t) { return t >= dayStart && t < dayEnd; };
    if (within(p.hireTime))
        intents.push_back({p.hireTime, Act::Issue, 0, 0});
    if (within(p.replaceTime))
        intents.push_back({p.replaceTime, Act::Replace, 0, 0});
    if (within(p.lostTime))
        intents.push_back({p.lostTime, Act::Lost, 0, 0});
    if (within(p.leaveTime))
        intents.push_back({p.leaveTime, Act::Leave, 0, 0});

    const double f = m_salesPerDay * dayWeight(date) / kSlotWeights;
    for (int s = 0; s < 5; ++s) {
        const double expected = kSlots[s].weight * f;
        int n = int(expected);
        if (rng.chance(expected - n))
            ++n;
        for (int k = 0; k < n; ++k) {
            const int64_t t =
                dayStart + int64_t(rng.range(kSlots[s].from, kSlots[s].to)) * 60 + rng.range(0, 59);
            intents.push_back({t, Act::Sale, 0, s});
        }
    }
    auto maybe = [&](double probability, Act act, int code, int fromMinute, int toMinute) {
        if (rng.chance(probability))
            intents.push_back({dayStart + int64_t(rng.range(fromMinute, toMinute)) * 60, act, code, 0});
    };
    maybe(0.002, Act::Refund, 102, 900, 960);
    maybe(0.0015, Act::Correction, 9, 840, 890);
    maybe(0.001, Act::Correction, 90, 840, 890);
    maybe(0.0015, Act::Supplement, 105, 930, 960);
    maybe(0.001, Act::Manual, 1, 600, 660);
    maybe(0.001, Act::Manual, 3, 600, 660);
    maybe(0.001, Act::Manual, 104, 600, 660);
    maybe(0.01, Act::Desk, 0, 480, 1020);
    if (date.day() == 15 && (p.department % std::max(1, m_world.scale().topDepartments)) == date.month() % 3)
        intents.push_back({dayStart + 10 * 3600, Act::Batch, 2, 0});
    if (date.addDays(1).day() == 1 && (person * 7 + date.month()) % 97 == 0)
        intents.push_back({dayStart + 23 * 3600 + 50 * 60, Act::Clear, 14, 0});
    if (day == 0 && person < int(m_forcedCodes.size()))
        intents.push_back(
            {dayStart + 10 * 3600 + person * 120, Act::Forced, m_forcedCodes[size_t(person)], 0});
}

void DemoSimulation::perform(int person, const Intent& intent, DemoRandom& rng) {
    DemoPerson& p = m_world.people[size_t(person)];
    switch (intent.act) {
    case Act::Issue: {
        const int card = p.cards.front();
        m_ledger.charge(card, intent.time, 0, rng.chance(0.5) ? 10000 : 20000, kOper1, -1);
        m_ledger.cardCosts.push_back({card, 2000, 0, 1, intent.time, QStringLiteral("押金")});
        return;
    }
    case Act::Replace:
        replace(person, intent.time, rng);
        return;
    case Act::Lost: {
        DemoCard& c = m_world.cards[size_t(p.cards.front())];
        c.status = kCardLost;
        c.statusTime = intent.time;
        return;
    }
    case Act::Leave:
        leave(p.cards.back(), intent.time);
        return;
    default:
        break;
    }
    const int card = cardAt(p, intent.time);
    if (card < 0)
        return;
    switch (intent.act) {
    case Act::Sale: {
        const int pending = m_pendingAllowance[size_t(person)];
        if (pending >= 0) {
            const DemoAllowance& a = m_ledger.allowances[size_t(pending)];
            if (a.willTake && intent.time >= a.registered + 3600)
                takeAllowance(person, card, intent.time - 120);
        }
        sale(card, intent.time, kSaleFlags[rng.pick(kSaleFlagWeights)], intent.slot, rng);
        return;
    }
    case Act::Refund:
        refund(card, intent.time, rng, rng.chance(0.5));
        return;
    case Act::Correction:
        m_ledger.meal(card, intent.time, intent.code, -50 * rng.range(1, 16),
                      intent.code == 9 ? kAdmin : kTerminal, saleTerminal(card, rng));
        return;
    case Act::Supplement: {
        const int64_t amount = 50 * rng.range(3, 24);
        ensureBalance(card, intent.time - 60, amount, rng);
        m_ledger.meal(card, intent.time, 105, amount, kAdmin, saleTerminal(card, rng));
        return;
    }
    case Act::Clear: {
        const int64_t balance = m_world.cards[size_t(card)].balance;
        if (balance > 0)
            m_ledger.meal(card, intent.time, 14, balance, kAdmin, -1);
        return;
    }
    case Act::Manual: {
        const int64_t amount =
            std::min<int64_t>(100 * rng.range(20, 50), kMaxBalance - m_world.cards[size_t(card)].balance);
        if (amount > 0)
            m_ledger.charge(card, intent.time, intent.code, amount, kAdmin, -1);
        return;
    }
    case Act::Batch:
        if (m_world.cards[size_t(card)].balance + 5000 <= kMaxBalance)
            m_ledger.charge(card, intent.time, 2, 5000, kAdmin, -1);
        return;
    case Act::Desk:
        recharge(card, intent.time, rng);
        return;
    case Act::Forced:
        forced(card, intent.time, intent.code, rng);
        return;
    default:
        return;
    }
}

void DemoSimulation::registerAllowances(int64_t time, bool lastRegistration) {
    const QDate date = DemoTime::dateOf(time);
    const QDate validDay = QDate(date.year(), date.month(), 1).addMonths(2).addDays(-1);
    for (int i = 0; i < int(m_world.people.size()); ++i) {
        DemoPerson& p = m_world.people[size_t(i)];
        if (p.fate == Fate::NoCard)
            continue;
        const int card = cardAt(p, time);
        if (card < 0)
            continue;
        DemoRandom rng =
            DemoRandom::forKey(m_world.seed(), uint64_t(i), 0xA110 + uint64_t(time / DemoTime::kDay));
        DemoAllowance a;
        a.person = i;
        a.card = card;
        a.registered = time;
        a.validUntil = DemoTime::at(validDay, 23, 59, 59);
        a.deposit = p.cardType == 1 ? 20000 : (p.cardType == 2 ? 10000 : 30000);
        a.serial = ++p.allowances;
        a.downed = rng.chance(0.92);
        a.willTake = a.downed && rng.chance(0.9);
        a.tasksPending = lastRegistration && a.downed && rng.chance(0.15);
        m_ledger.allowances.push_back(a);
        m_pendingAllowance[size_t(i)] = int(m_ledger.allowances.size()) - 1;
    }
}

void DemoSimulation::takeAllowance(int person, int card, int64_t time) {
    DemoAllowance& a = m_ledger.allowances[size_t(m_pendingAllowance[size_t(person)])];
    if (m_world.cards[size_t(card)].balance + a.deposit > kMaxBalance + 20000)
        return; // the card is full; the allowance waits
    const int clock = m_world.allowanceTerminal(roomOf(card));
    DemoRecord& r = m_ledger.charge(card, time, 33, a.deposit, kTerminal, clock);
    r.chargeVer = a.serial;
    a.taken = true;
    a.takenTime = r.time;
    a.balance = r.balance;
    a.sequence = r.sequence;
    a.clockId = clock;
    if (card != a.card)
        a.newCard = card;
    m_pendingAllowance[size_t(person)] = -1;
}

void DemoSimulation::sale(int card, int64_t time, int flag, int slot, DemoRandom& rng) {
    const int clock = saleTerminal(card, rng);
    const int price = kSlots[slot].priceCents;
    DemoDetail lines[3];
    int lineCount = 0;
    int64_t amount = price;
    int minutes = 0;
    switch (flag) {
    case 2:
    case 7:
    case 103:
        amount = std::max(150, price + 50 * rng.range(-4, 12));
        break;
    case 3:
        amount = 0;
        lineCount = rng.range(1, 3);
        for (int i = 0; i < lineCount; ++i) {
            const int key = rng.range(1, 10);
            lines[i] = {key, i, kKeyPrices[key - 1], 0};
            amount += kKeyPrices[key - 1];
        }
        break;
    case 5:
        amount = 0;
        lineCount = rng.range(1, 3);
        for (int i = 0; i < lineCount; ++i) {
            const DemoArticle& a = m_world.articles[size_t(rng.range(0, int(m_world.articles.size()) - 1))];
            const int quantity = rng.range(1, 3);
            lines[i] = {a.no, i, a.priceCents, quantity};
            amount += int64_t(a.priceCents) * quantity;
        }
        break;
    case 6:
        minutes = rng.range(10, 90);
        amount = minutes * 10;
        break;
    default:
        break;
    }
    ensureBalance(card, time - 240, amount, rng);
    DemoRecord& r = m_ledger.meal(card, time, flag, amount, kTerminal, clock);
    for (int i = 0; i < lineCount; ++i)
        m_ledger.addDetail(r, lines[i]);
    if (flag == 6)
        m_ledger.addDetail(r, {minutes, 0, r.balance + amount, r.balance});
}

void DemoSimulation::ensureBalance(int card, int64_t time, int64_t amount, DemoRandom& rng) {
    const int64_t balance = m_world.cards[size_t(card)].balance;
    if (balance < amount || (balance < 2000 && rng.chance(0.25)))
        recharge(card, time, rng);
}

void DemoSimulation::recharge(int card, int64_t time, DemoRandom& rng, int forcedKind) {
    const int64_t balance = m_world.cards[size_t(card)].balance;
    static const int64_t kAmounts[] = {10000, 20000, 30000, 50000};
    int64_t amount = kAmounts[rng.range(0, 3)];
    while (amount > 10000 && balance + amount > kMaxBalance)
        amount -= 10000;
    const int way = forcedKind == 30 ? 1 : (forcedKind == 0 ? 0 : rng.pick({45, 35, 20}));
    if (way == 1) {
        // At the cashier terminal.
        const int clock = m_world.cashierTerminal();
        m_ledger.charge(card, time, 30, amount, kTerminal, clock);
        if (amount >= 30000)
            m_ledger.charge(card, time + 5, 31, amount * 5 / 100, kTerminal, clock);
    } else if (way == 0) {
        // At the desk, by an operator.
        const int op = rng.chance(0.5) ? kAdmin : kOper1;
        m_ledger.charge(card, time, 0, amount, op, -1);
        if (amount >= 30000)
            m_ledger.charge(card, time + 5, 31, amount * 5 / 100, op, -1);
    } else {
        // Paid online (Alipay or WeChat).
        DemoRecord& r = m_ledger.charge(card, time, 0, amount, kTerminal, -1);
        r.paySource = rng.range(1, 2);
    }
}

void DemoSimulation::refund(int card, int64_t time, DemoRandom& rng, bool atDesk) {
    const int64_t balance = m_world.cards[size_t(card)].balance;
    if (balance < 500)
        return;
    const int64_t amount = std::min<int64_t>(balance, 100 * rng.range(5, 30));
    m_ledger.meal(card, time, 102, amount, kAdmin, atDesk ? -1 : m_world.cashierTerminal());
}

void DemoSimulation::forced(int card, int64_t time, int code, DemoRandom& rng) {
    if (code >= kChargeCode) {
        const int kind = code - kChargeCode;
        if (kind == 0 || kind == 30) {
            recharge(card, time, rng, kind);
        } else if (kind == 31) {
            m_ledger.charge(card, time, 31, 1000, kTerminal, m_world.cashierTerminal());
        } else if (kind == 2) {
            m_ledger.charge(card, time, 2, 5000, kAdmin, -1);
        } else {
            m_ledger.charge(card, time, kind, 3000, kAdmin, -1);
        }
        return;
    }
    ensureBalance(card, time - 60, 3000, rng);
    switch (code) {
    case 9:
    case 90:
        m_ledger.meal(card, time, code, -300, code == 9 ? kAdmin : kTerminal, saleTerminal(card, rng));
        break;
    case 14:
        m_ledger.meal(card, time, 14, m_world.cards[size_t(card)].balance, kAdmin, -1);
        break;
    case 102:
        refund(card, time, rng, true);
        break;
    case 105:
        m_ledger.meal(card, time, 105, 800, kAdmin, saleTerminal(card, rng));
        break;
    default:
        sale(card, time, code, 1, rng);
        break;
    }
}

void DemoSimulation::leave(int card, int64_t time) {
    DemoCard& c = m_world.cards[size_t(card)];
    int64_t paid = 0;
    if (c.balance > 0) {
        paid = c.balance;
        m_ledger.meal(card, time, 102, paid, kAdmin, -1);
    }
    const int64_t at = time + 300;
    m_ledger.returns.push_back({card, paid, c.sequence, at});
    m_ledger.cardCosts.push_back({card, 0, 2000, 1, at, QStringLiteral("退押金")});
    c.status = kCardReturned;
    c.statusTime = at;
}

void DemoSimulation::replace(int person, int64_t time, DemoRandom& rng) {
    DemoPerson& p = m_world.people[size_t(person)];
    const int oldCard = p.cards.front();
    const int newCard = p.cards.back();
    const int64_t balance = m_world.cards[size_t(oldCard)].balance;
    m_ledger.changes.push_back({oldCard, newCard, balance, time});
    m_ledger.transfer(newCard, time, balance);
    m_ledger.cardCosts.push_back({newCard, 1000, 0, 2, time, QStringLiteral("补卡费")});
    if (p.misusesLostCard && balance >= 800) {
        // The lost card is still taken at a terminal that has not learnt of the loss.
        m_ledger.meal(oldCard, time + 3 * 3600, 2, 800, kTerminal, saleTerminal(oldCard, rng));
    }
}

void DemoSimulation::markBackups(size_t firstRecord, int card, int day) {
    auto it = m_targets.find(card);
    if (it == m_targets.end())
        return;
    for (size_t i = firstRecord; i < m_ledger.records.size(); ++i) {
        DemoRecord& r = m_ledger.records[i];
        if (r.card != card || r.sequence == 1)
            continue;
        for (auto t = it->second.begin(); t != it->second.end(); ++t) {
            if (t->day > day)
                continue;
            const bool eligible =
                t->charge ? (!r.meal && (r.code == 0 || r.code == 30) && r.paySource == 0 && r.amount > 0)
                          : (r.meal && r.detailCount == 0 && (r.code == 2 || r.code == 1));
            if (!eligible)
                continue;
            (t->gap ? r.gap : r.duplicate) = true;
            it->second.erase(t);
            break;
        }
    }
}
