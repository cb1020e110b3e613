#include "ctl/demo/DemoWorld.h"

#include "ctl/demo/DemoRandom.h"
#include "ctl/demo/DemoTime.h"

#include <QStringList>

#include <algorithm>

namespace {

const char* const kTopNames[] = {"行政部", "财务部", "生产部", "技术部",
                                 "销售部", "后勤部", "质检部", "采购部"};
const char* const kSubNames[] = {"一组", "二组", "三组", "四组", "五组"};
const char* const kSurnames = "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹";
const char* const kGiven = "伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀霞平刚桂英华玉兰萍红鹏辉建国志海峰云龙";
const char* const kDuties[] = {"职员", "职员", "职员", "组长", "主管", "经理"};
const char* const kRoomNames[] = {"第一食堂", "第二食堂", "第三食堂", "职工餐厅", "教工餐厅"};

int minutesOf(const QString& hhmm) {
    return hhmm.left(2).toInt() * 60 + hhmm.mid(3, 2).toInt();
}

} // namespace

QString DemoTerminal::typeCode() const {
    switch (kind) {
    case TerminalKind::Sale:
        return QStringLiteral("1");
    case TerminalKind::Cashier:
        return QStringLiteral("2");
    case TerminalKind::Allowance:
        return QStringLiteral("4");
    case TerminalKind::SaleAndAllowance:
        return QStringLiteral("5");
    case TerminalKind::Other:
        break;
    }
    return QStringLiteral("0");
}

DemoWorld::DemoWorld(const DemoScale& scale, const QDate& endDate, uint64_t seed)
    : m_scale(scale), m_seed(seed), m_start(endDate.addMonths(-scale.months).addDays(1)), m_end(endDate) {
    planDepartments();
    planTerminals();
    planPeriods();
    planPeople();
    issueCards();
}

void DemoWorld::planDepartments() {
    departments.push_back({QStringLiteral("01"), QStringLiteral("总公司"), QStringLiteral("0"), 1});
    int sort = 2;
    for (int t = 0; t < m_scale.topDepartments; ++t) {
        const QString top = QStringLiteral("01%1").arg(t + 1, 2, 10, QLatin1Char('0'));
        const QString topName = QString::fromUtf8(kTopNames[t % 8]);
        departments.push_back({top, topName, QStringLiteral("01"), sort++});
        for (int s = 0; s < m_scale.subDepartments; ++s)
            departments.push_back({top + QStringLiteral("%1").arg(s + 1, 2, 10, QLatin1Char('0')),
                                   topName + QString::fromUtf8(kSubNames[s % 5]), top, sort++});
    }
}

void DemoWorld::planTerminals() {
    // Network terminals take the loopback addresses 127.0.0.11, .12, ... in
    // terminal order; serial ones the ports COM1, COM2, ...
    int clockId = 1;
    int address = 11;
    int comport = 1;
    auto add = [&](TerminalKind kind, int room, bool network, const QString& name) {
        DemoTerminal t;
        t.clockId = clockId++;
        t.kind = kind;
        t.room = room;
        t.network = network;
        t.name = name;
        if (network) {
            t.address = QStringLiteral("127.0.0.%1").arg(address++);
            t.tcpipType = 0;
        } else {
            t.comport = comport++;
            t.baudRate = t.comport % 2 ? 19200 : 9600;
            t.tcpipType = t.comport % 2 ? 1 : 2;
        }
        terminals.push_back(t);
        return t.clockId;
    };
    for (int r = 1; r <= m_scale.diningRooms; ++r) {
        const QString room = QString::fromUtf8(kRoomNames[(r - 1) % 5]);
        std::vector<int> sale;
        sale.push_back(add(TerminalKind::SaleAndAllowance, r, true, room + QStringLiteral("1号机")));
        for (int k = 2; k <= m_scale.saleTerminalsPerRoom; ++k)
            sale.push_back(add(TerminalKind::Sale, r, k != m_scale.saleTerminalsPerRoom,
                               room + QStringLiteral("%1号机").arg(k)));
        m_saleTerminals.push_back(sale);
        m_allowanceTerminals.push_back(sale.front());
    }
    add(TerminalKind::Allowance, 1, true, QStringLiteral("补贴机"));
    m_cashier = add(TerminalKind::Cashier, 1, true, QStringLiteral("出纳机"));
    add(TerminalKind::Other, 1, true, QStringLiteral("门禁控制器"));
}

std::vector<int> DemoWorld::allowanceTerminals() const {
    std::vector<int> ids;
    for (const DemoTerminal& t : terminals)
        if (t.typeCode().toInt() & 4)
            ids.push_back(t.clockId);
    return ids;
}

void DemoWorld::planPeriods() {
    periods = {
        {1, QStringLiteral("早餐"), 300, QStringLiteral("06:00"), QStringLiteral("09:29"), true},
        {2, QStringLiteral("午餐"), 1000, QStringLiteral("10:30"), QStringLiteral("13:29"), true},
        {3, QStringLiteral("晚餐"), 800, QStringLiteral("16:30"), QStringLiteral("19:29"), true},
        {4, QStringLiteral("夜宵"), 600, QStringLiteral("21:00"), QStringLiteral("23:29"), true},
        {5, QStringLiteral("加班餐"), 500, QStringLiteral("00:00"), QStringLiteral("05:59"), false},
    };
    m_periodOfMinute.assign(1440, 0);
    for (int m = 0; m < 1440; ++m)
        for (const DemoPeriod& p : periods)
            if (p.valid && m >= minutesOf(p.begin) && m <= minutesOf(p.end)) {
                m_periodOfMinute[size_t(m)] = p.id;
                break;
            }
    articles = {{1, QStringLiteral("矿泉水"), 200}, {2, QStringLiteral("面包"), 350},
                {3, QStringLiteral("牛奶"), 400},   {4, QStringLiteral("酸奶"), 500},
                {5, QStringLiteral("饼干"), 600},   {6, QStringLiteral("方便面"), 450},
                {7, QStringLiteral("水果"), 800},   {8, QStringLiteral("可乐"), 300}};
}

int DemoWorld::periodAt(int64_t time) const {
    return m_periodOfMinute[size_t(DemoTime::secondOfDay(time) / 60)];
}

void DemoWorld::planPeople() {
    DemoRandom rng(m_seed ^ 0x5EED0001ULL);
    const int64_t start = DemoTime::at(m_start, 0, 0);
    const int days = int(m_start.daysTo(m_end)) + 1;
    const int count = std::max(30, m_scale.cards);
    const QString surnames = QString::fromUtf8(kSurnames);
    const QString given = QString::fromUtf8(kGiven);
    std::vector<int> leaves; // departments people work in: the sub-departments, some top ones
    for (size_t i = 1; i < departments.size(); ++i)
        leaves.push_back(int(i));
    for (int i = 0; i < count; ++i) {
        DemoPerson p;
        p.empno = QStringLiteral("%1").arg(10001 + i);
        p.name = surnames.at(rng.range(0, int(surnames.size()) - 1));
        p.name += given.at(rng.range(0, int(given.size()) - 1));
        if (rng.chance(0.6))
            p.name += given.at(rng.range(0, int(given.size()) - 1));
        p.sex = rng.chance(0.55) ? QStringLiteral("男") : QStringLiteral("女");
        p.duty = QString::fromUtf8(kDuties[rng.range(0, 5)]);
        p.department = leaves[size_t(rng.range(0, int(leaves.size()) - 1))];
        p.room = 1 + (p.department - 1) % std::max(1, m_scale.diningRooms);
        p.cardType = rng.chance(0.9) ? 1 : (rng.chance(0.5) ? 2 : 3);
        const int roll = rng.range(0, 999);
        // The first people stay all period: they carry the transactions every
        // flag and kind must show at least once.
        const bool anchor = i < 24;
        if (!anchor && roll < 50) {
            p.fate = Fate::LeftBefore;
            p.hireTime =
                start - int64_t(rng.range(200, 400)) * DemoTime::kDay + 9 * 3600 + rng.range(0, 3600);
            p.leaveTime = start - int64_t(rng.range(3, 60)) * DemoTime::kDay + 16 * 3600;
        } else {
            const bool newcomer = !anchor && roll < 120;
            p.hireTime = newcomer ? start + int64_t(rng.range(0, std::max(0, days - 3))) * DemoTime::kDay
                                  : start - int64_t(rng.range(20, 300)) * DemoTime::kDay;
            p.hireTime = p.hireTime - DemoTime::secondOfDay(p.hireTime) + 9 * 3600 + rng.range(0, 1800);
            const int earliest = std::max(0, int((p.hireTime - start) / DemoTime::kDay) + 2);
            const int latest = days - 3;
            const int fateRoll = rng.range(0, 999);
            if (anchor || earliest > latest) {
                p.fate = Fate::Stays;
            } else if (fateRoll < 35) {
                p.fate = Fate::Leaves;
                p.leaveTime = start + int64_t(rng.range(earliest, latest)) * DemoTime::kDay + 16 * 3600;
            } else if (fateRoll < 70) {
                p.fate = Fate::LosesAndReplaces;
                p.lostTime = start + int64_t(rng.range(earliest, latest)) * DemoTime::kDay + 20 * 3600;
                p.replaceTime =
                    p.lostTime - 20 * 3600 + int64_t(rng.range(1, 2)) * DemoTime::kDay + 9 * 3600 + 1800;
            } else if (fateRoll < 80) {
                p.fate = Fate::LosesCard;
                p.lostTime = start + int64_t(rng.range(earliest, latest)) * DemoTime::kDay + 20 * 3600;
            } else if (fateRoll < 95 && p.hireTime < start) {
                p.fate = Fate::NoCard;
            }
        }
        people.push_back(p);
    }
    // Someone whose lost card is still used after it was replaced.
    for (DemoPerson& p : people)
        if (p.fate == Fate::LosesAndReplaces) {
            p.misusesLostCard = true;
            break;
        }
}

void DemoWorld::issueCards() {
    struct Issue {
        int64_t time;
        int person;
        bool replacement;
    };
    std::vector<Issue> issues;
    for (int i = 0; i < int(people.size()); ++i) {
        const DemoPerson& p = people[size_t(i)];
        if (p.fate == Fate::NoCard)
            continue;
        issues.push_back({p.hireTime, i, false});
        if (p.fate == Fate::LosesAndReplaces)
            issues.push_back({p.replaceTime, i, true});
    }
    std::stable_sort(issues.begin(), issues.end(),
                     [](const Issue& a, const Issue& b) { return a.time < b.time; });
    // Card numbers follow the order of issue; the card's issuance number is the card number.
    for (const Issue& is : issues) {
        DemoCard c;
        c.cardId = 10001 + int(cards.size());
        c.person = is.person;
        c.issueTime = is.time;
        c.statusTime = is.time;
        c.replacement = is.replacement;
        DemoPerson& p = people[size_t(is.person)];
        if (!is.replacement)
            c.endTime = std::min(p.leaveTime, p.lostTime);
        p.cards.push_back(int(cards.size()));
        p.currentCard = int(cards.size());
        cards.push_back(c);
    }
    // A test card of nobody, used before the date it was issued on.
    DemoCard test;
    test.cardId = 9001;
    test.person = -1;
    test.issueTime = DemoTime::at(m_start, 9, 0) + 2 * DemoTime::kDay;
    test.statusTime = test.issueTime;
    testCard = int(cards.size());
    cards.push_back(test);
}
