#pragma once
// The records of the demo data as the generator keeps them in memory before
// they are written: the people and their cards, the terminals, and the card
// transactions with their line items. Money is in cents, times in DemoTime
// seconds.
#include <QString>

#include <cstdint>
#include <limits>
#include <vector>

constexpr int64_t kNever = std::numeric_limits<int64_t>::max();

struct DemoDepartment {
    QString deptno;
    QString name;
    QString parentno;
    int sortno = 0;
};

enum class TerminalKind { Sale, SaleAndAllowance, Allowance, Cashier, Other };

struct DemoTerminal {
    int clockId = 0;
    QString name;
    TerminalKind kind = TerminalKind::Sale;
    int room = 0; // dinroom id
    bool network = true;
    QString address; // network terminals
    int comport = 0; // serial terminals
    int baudRate = 0;
    int tcpipType = 0; // 0 network, 1 RS485, 2 RS232
    QString typeCode() const;
};

struct DemoPeriod {
    int id = 0;
    QString name;
    int priceCents = 0;
    QString begin; // "HH:mm"
    QString end;
    bool valid = true;
};

struct DemoArticle {
    int no = 0;
    QString name;
    int priceCents = 0;
};

enum class Fate { Stays, Leaves, LeftBefore, LosesCard, LosesAndReplaces, NoCard };

struct DemoPerson {
    QString empno;
    QString name;
    QString sex;
    QString duty;
    int department = 0; // index into the department list
    int room = 1;       // dining room the person eats in
    int cardType = 1;
    Fate fate = Fate::Stays;
    int64_t hireTime = 0;
    int64_t leaveTime = kNever;
    int64_t lostTime = kNever;
    int64_t replaceTime = kNever;
    bool misusesLostCard = false;
    std::vector<int> cards; // indexes into the card list, oldest first
    int currentCard = -1;
    int allowances = 0; // allowance serial (charge_ver) of the latest one
};

enum CardStatusCode { kCardInUse = 3, kCardLost = 2, kCardReturned = 4 };

struct DemoCard {
    int cardId = 0;
    int person = -1; // -1: a test card that belongs to nobody
    int64_t issueTime = 0;
    bool replacement = false;
    int status = kCardInUse;
    int64_t statusTime = 0;
    int64_t endTime = kNever; // no sale after this time
    // Ledger state.
    int64_t balance = 0;
    int sequence = 0;
    int chargeCount = 0;
    int mealCount = 0;
    int64_t lastTime = std::numeric_limits<int64_t>::min();
};

// One card transaction: a charge (MChargeRecords) or a meal record (MealRecords).
struct DemoRecord {
    int64_t time = 0;
    int card = 0; // card index
    int sequence = 0;
    int64_t amount = 0;  // charge_money, or card_consume (positive: money off the card)
    int64_t balance = 0; // after
    int code = 0;        // recharge Kind or meal flag
    bool meal = false;
    int clockId = -1; // -1: NULL
    int mealKind = 0;
    int op = 0;        // 0 terminal (''), 1 ADMIN, 2 OPER1
    int paySource = 0; // 0: NULL
    int chargeVer = 0; // 0: NULL
    int times = 0;     // card_times
    int firstDetail = 0;
    int detailCount = 0;
    int posSequ = 0;
    bool gap = false;       // kept only in the backup tables
    bool duplicate = false; // also copied to the duplicate table
};

// A line item: key-value (a key, b line, c price), goods (a article, b line,
// c price, d quantity) or timed (c balance at start, d at end, a minutes).
struct DemoDetail {
    int a = 0;
    int b = 0;
    int64_t c = 0;
    int64_t d = 0;
};

struct DemoAllowance {
    int person = 0;
    int card = 0;           // card at registration
    int newCard = -1;       // replacement card that took it
    int64_t registered = 0; // op_date
    int64_t validUntil = 0;
    int64_t deposit = 0;
    int serial = 0;
    bool downed = false;
    bool willTake = false;
    bool taken = false;
    bool tasksPending = false;
    int64_t takenTime = 0;
    int64_t balance = 0;
    int sequence = 0;
    int clockId = 0;
};

struct DemoCardCost {
    int card = 0;
    int64_t in = 0;
    int64_t out = 0;
    int kind = 1;
    int64_t time = 0;
    QString remark;
};

struct DemoReturn {
    int card = 0;
    int64_t balance = 0;
    int sequence = 0;
    int64_t time = 0;
};

struct DemoChange {
    int oldCard = 0;
    int newCard = 0;
    int64_t balance = 0;
    int64_t time = 0;
};
