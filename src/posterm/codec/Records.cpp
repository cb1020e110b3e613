#include "Records.h"

#include <unordered_set>

namespace posterm {

std::string formatCents(std::int64_t cents) {
    const bool negative = cents < 0;
    const std::uint64_t magnitude = negative ? std::uint64_t(0) - std::uint64_t(cents) : std::uint64_t(cents);
    std::string out = negative ? "-" : "";
    out += std::to_string(magnitude / 100);
    out += '.';
    const unsigned rest = unsigned(magnitude % 100);
    out += char('0' + rest / 10);
    out += char('0' + rest % 10);
    return out;
}

bool parseYuan(std::string_view text, std::int64_t& cents) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    std::string_view fraction = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    if (whole.empty() && fraction.empty())
        return false;
    if (fraction.size() > 2 || (dot != std::string_view::npos && fraction.empty() && whole.empty()))
        return false;
    std::uint64_t units = 0;
    if (!whole.empty() && (!parseUnsigned(whole, units) || units > 90000000000000000ULL))
        return false;
    std::uint64_t hundredths = 0;
    if (!fraction.empty()) {
        if (!parseUnsigned(fraction, hundredths))
            return false;
        if (fraction.size() == 1)
            hundredths *= 10;
    }
    const std::int64_t value = std::int64_t(units * 100 + hundredths);
    cents = negative ? -value : value;
    return true;
}

bool isValidDate(int yyyymmdd) {
    const int year = yyyymmdd / 10000;
    const int month = yyyymmdd / 100 % 100;
    const int day = yyyymmdd % 100;
    if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int limit = days[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= limit;
}

bool parseRecordLines(std::string_view text, std::vector<Record>& out, std::string& error) {
    out.clear();
    int lineNo = 0;
    for (const std::string_view rawLine : splitLines(text)) {
        ++lineNo;
        if (trim(rawLine).empty())
            continue;
        Record record;
        // Names seen in this line, lower-cased: one look-up per field keeps a
        // line of many fields linear.
        std::unordered_set<std::string> seen;
        for (const std::string_view field : split(rawLine, '\t')) {
            const std::size_t eq = field.find('=');
            if (eq == std::string_view::npos) {
                error = "line " + std::to_string(lineNo) + ": field without '='";
                return false;
            }
            NameValue pair{std::string(trim(field.substr(0, eq))), std::string(trim(field.substr(eq + 1)))};
            if (pair.first.empty()) {
                error = "line " + std::to_string(lineNo) + ": field without name";
                return false;
            }
            if (!seen.insert(toLower(pair.first)).second) {
                error = "line " + std::to_string(lineNo) + ": field " + pair.first + " given twice";
                return false;
            }
            record.push_back(std::move(pair));
        }
        out.push_back(std::move(record));
    }
    return true;
}

namespace {

bool isNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Scaled by 100 so "12.34" and 12 compare exactly.
bool decimalHundredths(std::string_view text, __int128& out) {
    std::int64_t cents = 0;
    if (!parseYuan(text, cents))
        return false;
    out = cents;
    return true;
}

template <typename T> bool compare(const T& a, const T& b, CompareOp op) {
    switch (op) {
    case CompareOp::Equal:
        return a == b;
    case CompareOp::NotEqual:
        return a != b;
    case CompareOp::Less:
        return a < b;
    case CompareOp::LessEqual:
        return a <= b;
    case CompareOp::Greater:
        return a > b;
    case CompareOp::GreaterEqual:
        return a >= b;
    }
    return false;
}

} // namespace

bool parseFilter(std::string_view text, std::vector<Condition>& out, std::string& error) {
    out.clear();
    std::size_t pos = 0;
    const auto skipBlanks = [&] {
        while (pos < text.size() && isBlank(text[pos]))
            ++pos;
    };
    skipBlanks();
    if (pos == text.size())
        return true;
    while (true) {
        Condition condition;
        const std::size_t nameStart = pos;
        while (pos < text.size() && isNameChar(text[pos]))
            ++pos;
        if (pos == nameStart) {
            error = "field name expected at " + std::to_string(pos);
            return false;
        }
        condition.field.assign(text.substr(nameStart, pos - nameStart));
        skipBlanks();
        const std::string_view rest = text.substr(pos);
        if (rest.substr(0, 2) == "<>") {
            condition.op = CompareOp::NotEqual;
            pos += 2;
        } else if (rest.substr(0, 2) == "<=") {
            condition.op = CompareOp::LessEqual;
            pos += 2;
        } else if (rest.substr(0, 2) == ">=") {
            condition.op = CompareOp::GreaterEqual;
            pos += 2;
        } else if (rest.substr(0, 1) == "<") {
            condition.op = CompareOp::Less;
            pos += 1;
        } else if (rest.substr(0, 1) == ">") {
            condition.op = CompareOp::Greater;
            pos += 1;
        } else if (rest.substr(0, 1) == "=") {
            condition.op = CompareOp::Equal;
            pos += 1;
        } else {
            error = "comparison expected after " + condition.field;
            return false;
        }
        skipBlanks();
        if (pos < text.size() && text[pos] == '\'') {
            const std::size_t close = text.find('\'', pos + 1);
            if (close == std::string_view::npos) {
                error = "unterminated text after " + condition.field;
                return false;
            }
            condition.isText = true;
            condition.text.assign(text.substr(pos + 1, close - pos - 1));
            pos = close + 1;
        } else {
            const std::size_t numberStart = pos;
            if (pos < text.size() && text[pos] == '-')
                ++pos;
            while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
                ++pos;
            if (!parseSigned(text.substr(numberStart, pos - numberStart), condition.number)) {
                error = "whole number or quoted text expected after " + condition.field;
                return false;
            }
        }
        out.push_back(std::move(condition));
        const std::size_t beforeBlanks = pos;
        skipBlanks();
        if (pos == text.size())
            return true;
        if (pos == beforeBlanks || text.size() - pos < 4 || !equalsNoCase(text.substr(pos, 3), "and") ||
            !isBlank(text[pos + 3])) {
            error = "\"and\" expected at " + std::to_string(pos);
            return false;
        }
        pos += 3;
        skipBlanks();
    }
}

bool conditionHolds(const Condition& condition, std::string_view value) {
    if (condition.isText)
        return compare(value, std::string_view(condition.text), condition.op);
    __int128 left = 0;
    if (!decimalHundredths(value, left))
        return false;
    const __int128 right = __int128(condition.number) * 100;
    return compare(left, right, condition.op);
}

bool parseOptions(std::string_view text, std::vector<NameValue>& out, std::string& error) {
    out.clear();
    if (trim(text).empty())
        return true;
    for (const std::string_view part : split(text, ',')) {
        const std::string_view item = trim(part);
        if (item.empty())
            continue;
        const std::size_t eq = item.find('=');
        if (eq == std::string_view::npos || eq == 0) {
            error = "option without value: " + std::string(item);
            return false;
        }
        out.push_back({std::string(trim(item.substr(0, eq))), std::string(trim(item.substr(eq + 1)))});
    }
    return true;
}

} // namespace posterm
