#include "TerminalStore.h"

#include <cstdio>

#include "codec/Records.h"
#include "codec/TextCoding.h"

namespace posterm {

namespace {

enum class Table { Unknown, Waiting, Taken };

Table tableOf(std::string_view name) {
    if (equalsNoCase(name, "SubsidyLog"))
        return Table::Waiting;
    if (equalsNoCase(name, "SidyLog"))
        return Table::Taken;
    return Table::Unknown;
}

const std::vector<std::string>& fieldNames(Table table) {
    static const std::vector<std::string> waiting = {"SysID",     "CardNo",   "Batch", "Money",
                                                     "AllowDate", "DownDate", "RecNo"};
    static const std::vector<std::string> taken = [] {
        std::vector<std::string> names = {"SysID", "CardNo",  "CardSequ", "Batch",     "TakeTime",
                                          "Money", "Balance", "DeviceID", "AllowDate", "DownDate"};
        for (int i = 1; i <= 10; ++i)
            names.push_back("Reserved" + std::to_string(i));
        names.push_back("RecNo");
        return names;
    }();
    return table == Table::Waiting ? waiting : taken;
}

std::vector<std::string> render(const WaitingRecord& r) {
    return {std::to_string(r.sysId), r.cardNo,
            std::to_string(r.batch), formatCents(r.money),
            shortDate(r.allowDate),  shortDate(r.downDate),
            std::to_string(r.recNo)};
}

std::vector<std::string> render(const TakenRecord& r) {
    std::vector<std::string> fields = {std::to_string(r.sysId),
                                       r.cardNo,
                                       std::to_string(r.cardSequ),
                                       std::to_string(r.batch),
                                       r.takeTime,
                                       formatCents(r.money),
                                       formatCents(r.balance),
                                       std::to_string(r.deviceId),
                                       shortDate(r.allowDate),
                                       shortDate(r.downDate)};
    fields.resize(20);
    fields.push_back(std::to_string(r.recNo));
    return fields;
}

int fieldIndex(Table table, std::string_view name) {
    const std::vector<std::string>& names = fieldNames(table);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (equalsNoCase(names[i], name))
            return int(i);
    }
    return -1;
}

StoreReply fail(int status, std::string message) {
    return {status, std::move(message) + "\r\n", false};
}

StoreReply unknownTable(std::string_view table) {
    return fail(404, "unknown table " + std::string(table));
}

// Rendered records of a table that satisfy the filter, in RecNo order.
template <typename Records>
std::vector<std::vector<std::string>> selectRecords(const Records& records, Table table,
                                                    const std::vector<Condition>& filter, std::size_t limit) {
    std::vector<int> columns;
    for (const Condition& c : filter)
        columns.push_back(fieldIndex(table, c.field));
    std::vector<std::vector<std::string>> out;
    for (const auto& record : records) {
        if (out.size() >= limit)
            break;
        std::vector<std::string> fields = render(record);
        bool match = true;
        for (std::size_t i = 0; i < filter.size() && match; ++i)
            match = conditionHolds(filter[i], fields[std::size_t(columns[i])]);
        if (match)
            out.push_back(std::move(fields));
    }
    return out;
}

// Checks the filter's field names against the table.
bool checkFilter(Table table, std::string_view text, std::vector<Condition>& filter, std::string& error) {
    if (!parseFilter(text, filter, error))
        return false;
    for (const Condition& c : filter) {
        if (fieldIndex(table, c.field) < 0) {
            error = "unknown field " + c.field;
            return false;
        }
    }
    return true;
}

bool sameCard(std::string_view a, std::string_view b) {
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    if (parseUnsigned(a, x) && parseUnsigned(b, y))
        return x == y;
    return a == b;
}

} // namespace

std::string shortDate(int yyyymmdd) {
    if (yyyymmdd <= 0)
        return {};
    char text[16];
    std::snprintf(text, sizeof text, "%06d", yyyymmdd % 1000000);
    return text;
}

void TerminalStore::restore(StoreState state) {
    m_state = std::move(state);
    m_keys.clear();
    for (const WaitingRecord& r : m_state.waiting)
        m_keys.insert({r.sysId, r.batch});
    for (const TakenRecord& r : m_state.taken)
        m_keys.insert({r.sysId, r.batch});
}

void TerminalStore::setLastIds(std::int64_t sidy, std::int64_t subsidy) {
    m_state.lastSidyLogId = sidy;
    m_state.lastSubSidyLogId = subsidy;
}

StoreReply TerminalStore::append(std::string_view table, std::string_view body, const SimClock& clock) {
    const Table kind = tableOf(table);
    if (kind == Table::Unknown)
        return unknownTable(table);
    if (kind == Table::Taken)
        return fail(400, "SidyLog is filled by cards only");
    std::vector<Record> records;
    std::string error;
    if (!parseRecordLines(body, records, error))
        return fail(400, error);

    // Check every record before storing any: a request is stored whole or not at all.
    std::vector<WaitingRecord> parsed;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::string where = "record " + std::to_string(i + 1) + ": ";
        WaitingRecord r;
        std::uint64_t sysId = 0;
        std::uint64_t card = 0;
        std::uint64_t batch = 0;
        const std::string* v = nullptr;
        for (const NameValue& field : records[i]) {
            if (!equalsNoCase(field.first, "SysID") && !equalsNoCase(field.first, "CardNo") &&
                !equalsNoCase(field.first, "Batch") && !equalsNoCase(field.first, "Money") &&
                !equalsNoCase(field.first, "AllowDate"))
                return fail(400, where + "unknown field " + field.first);
        }
        if (!(v = findValue(records[i], "SysID")) || !parseUnsigned(*v, sysId) ||
            sysId > std::uint64_t(INT64_MAX))
            return fail(400, where + "SysID missing or not a number");
        if (!(v = findValue(records[i], "CardNo")) || !parseUnsigned(*v, card))
            return fail(400, where + "CardNo missing or not a number");
        r.cardNo = *v;
        if (!(v = findValue(records[i], "Batch")) || !parseUnsigned(*v, batch) ||
            batch > std::uint64_t(INT64_MAX))
            return fail(400, where + "Batch missing or not a number");
        if (!(v = findValue(records[i], "Money")) || !parseSigned(*v, r.money))
            return fail(400, where + "Money missing or not a whole number");
        if ((v = findValue(records[i], "AllowDate")) && !v->empty()) {
            std::uint64_t date = 0;
            if (v->size() != 8 || !parseUnsigned(*v, date) || !isValidDate(int(date)))
                return fail(400, where + "AllowDate is not a yyyyMMdd date");
            r.allowDate = int(date);
        }
        r.sysId = std::int64_t(sysId);
        r.batch = std::int64_t(batch);
        r.downDate = clock.today;
        parsed.push_back(std::move(r));
    }

    int appended = 0;
    int duplicates = 0;
    for (WaitingRecord& r : parsed) {
        if (!m_keys.insert({r.sysId, r.batch}).second) {
            ++duplicates;
            continue;
        }
        r.recNo = m_state.nextWaitingRecNo++;
        m_state.waiting.push_back(std::move(r));
        ++appended;
    }
    return {200,
            "appended=" + std::to_string(appended) + "\r\nduplicates=" + std::to_string(duplicates) + "\r\n",
            appended > 0};
}

StoreReply TerminalStore::count(std::string_view table, std::string_view filterText) const {
    const Table kind = tableOf(table);
    if (kind == Table::Unknown)
        return unknownTable(table);
    std::vector<Condition> filter;
    std::string error;
    if (!checkFilter(kind, filterText, filter, error))
        return fail(400, error);
    const std::size_t n = kind == Table::Waiting
                              ? selectRecords(m_state.waiting, kind, filter, SIZE_MAX).size()
                              : selectRecords(m_state.taken, kind, filter, SIZE_MAX).size();
    return {200, "count=" + std::to_string(n) + "\r\n", false};
}

StoreReply TerminalStore::query(std::string_view table, std::string_view fieldsText,
                                std::string_view filterText, std::string_view optionsText) const {
    const Table kind = tableOf(table);
    if (kind == Table::Unknown)
        return unknownTable(table);
    std::vector<int> columns;
    if (trim(fieldsText).empty() || trim(fieldsText) == "*") {
        for (std::size_t i = 0; i < fieldNames(kind).size(); ++i)
            columns.push_back(int(i));
    } else {
        for (const std::string_view name : split(fieldsText, ',')) {
            const int index = fieldIndex(kind, trim(name));
            if (index < 0)
                return fail(400, "unknown field " + std::string(trim(name)));
            columns.push_back(index);
        }
    }
    std::vector<Condition> filter;
    std::string error;
    if (!checkFilter(kind, filterText, filter, error))
        return fail(400, error);
    std::vector<NameValue> options;
    if (!parseOptions(optionsText, options, error))
        return fail(400, error);
    std::size_t limit = SIZE_MAX;
    if (const std::string* max = findValue(options, "Maxreturn")) {
        std::uint64_t n = 0;
        if (!parseUnsigned(*max, n))
            return fail(400, "Maxreturn is not a number");
        limit = std::size_t(n);
    }
    const std::vector<std::vector<std::string>> rows =
        kind == Table::Waiting ? selectRecords(m_state.waiting, kind, filter, limit)
                               : selectRecords(m_state.taken, kind, filter, limit);
    std::string body = "records=" + std::to_string(rows.size()) + "\r\n";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i)
            body += '\t';
        body += fieldNames(kind)[std::size_t(columns[i])];
    }
    body += "\r\n";
    for (const std::vector<std::string>& row : rows) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (i)
                body += '\t';
            body += row[std::size_t(columns[i])];
        }
        body += "\r\n";
    }
    return {200, std::move(body), false};
}

StoreReply TerminalStore::swipe(std::string_view card, std::int64_t balance, std::int64_t sequ, int deviceId,
                                const SimClock& clock) {
    int taken = 0;
    std::vector<WaitingRecord> kept;
    for (WaitingRecord& r : m_state.waiting) {
        const bool valid = r.allowDate == 0 || r.allowDate >= clock.today;
        if (!sameCard(r.cardNo, card) || !valid) {
            kept.push_back(std::move(r));
            continue;
        }
        balance += r.money;
        ++sequ;
        TakenRecord t;
        t.sysId = r.sysId;
        t.cardNo = r.cardNo;
        t.cardSequ = sequ;
        t.batch = r.batch;
        t.takeTime = clock.now;
        t.money = r.money;
        t.balance = balance;
        t.deviceId = deviceId;
        t.allowDate = r.allowDate;
        t.downDate = r.downDate;
        t.recNo = m_state.nextTakenRecNo++;
        m_state.taken.push_back(std::move(t));
        ++taken;
    }
    m_state.waiting = std::move(kept);
    return {200,
            "taken=" + std::to_string(taken) + "\r\nbalance=" + formatCents(balance) +
                "\r\nsequ=" + std::to_string(sequ) + "\r\n",
            taken > 0};
}

bool TerminalStore::optionValue(std::string_view item, std::string& value) const {
    if (equalsNoCase(item, "Options.LastSidyLogID"))
        value = std::to_string(m_state.lastSidyLogId);
    else if (equalsNoCase(item, "Options.LastSubSidyLogID"))
        value = std::to_string(m_state.lastSubSidyLogId);
    else if (equalsNoCase(item, "Options.ReadSidyLogMaxID"))
        value = std::to_string(m_state.taken.empty() ? 0 : m_state.taken.back().recNo);
    else if (equalsNoCase(item, "Options.ReadSubsidyLogMaxID"))
        value = std::to_string(m_state.waiting.empty() ? 0 : m_state.waiting.back().recNo);
    else
        return false;
    return true;
}

} // namespace posterm
