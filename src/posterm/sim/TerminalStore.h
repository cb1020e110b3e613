#pragma once
// The two tables of a simulated terminal and the data requests on them:
// SubsidyLog (allowances waiting for a card) and SidyLog (allowances taken).
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace posterm {

struct WaitingRecord {
    std::int64_t sysId = 0;
    std::string cardNo;
    std::int64_t batch = 0;
    std::int64_t money = 0; // hundredths of a yuan
    int allowDate = 0;      // yyyyMMdd, 0 when none
    int downDate = 0;       // yyyyMMdd
    std::int64_t recNo = 0;
};

struct TakenRecord {
    std::int64_t sysId = 0;
    std::string cardNo;
    std::int64_t cardSequ = 0;
    std::int64_t batch = 0;
    std::string takeTime; // yyyyMMddHHmmss
    std::int64_t money = 0;
    std::int64_t balance = 0;
    int deviceId = 0;
    int allowDate = 0;
    int downDate = 0;
    std::int64_t recNo = 0;
};

struct StoreState {
    std::vector<WaitingRecord> waiting; // in RecNo order
    std::vector<TakenRecord> taken;     // in RecNo order
    std::int64_t nextWaitingRecNo = 1;
    std::int64_t nextTakenRecNo = 1;
    std::int64_t lastSidyLogId = 0;
    std::int64_t lastSubSidyLogId = 0;
};

struct StoreReply {
    int status = 200;
    std::string body;
    bool changed = false; // the tables changed and should be saved
};

// Local date and time as the terminal sees them.
struct SimClock {
    int today = 0;   // yyyyMMdd
    std::string now; // yyyyMMddHHmmss
};

class TerminalStore {
public:
    StoreReply append(std::string_view table, std::string_view body, const SimClock& clock);
    StoreReply count(std::string_view table, std::string_view filter) const;
    StoreReply query(std::string_view table, std::string_view fields, std::string_view filter,
                     std::string_view options) const;
    // Moves the card's waiting records whose AllowDate has not passed into SidyLog.
    StoreReply swipe(std::string_view card, std::int64_t balance, std::int64_t sequ, int deviceId,
                     const SimClock& clock);
    // Value of an Options.* information item; false when the name is unknown.
    bool optionValue(std::string_view item, std::string& value) const;

    const StoreState& state() const { return m_state; }
    void restore(StoreState state);
    void setLastIds(std::int64_t sidy, std::int64_t subsidy);

private:
    StoreState m_state;
    std::set<std::pair<std::int64_t, std::int64_t>> m_keys; // (SysID, Batch) held, waiting or taken
};

// yyyyMMdd as yymmdd, empty for 0.
std::string shortDate(int yyyymmdd);

} // namespace posterm
