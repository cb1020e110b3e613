#pragma once
// Records, filters and options of the data requests: the parsing both sides
// share and the money and date texts the terminal answers with.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "TextCoding.h"

namespace posterm {

// Hundredths of a yuan as "12.34" ("-0.05" for negative amounts).
std::string formatCents(std::int64_t cents);
// "12", "12.3", "12.34", "-1.5" to hundredths; more than two decimals is refused.
bool parseYuan(std::string_view text, std::int64_t& cents);
// yyyyMMdd with a real calendar day.
bool isValidDate(int yyyymmdd);

using Record = std::vector<NameValue>;

// One record a line, fields `name=value` separated by TAB; lines end in CR LF
// (a bare LF is accepted) and blank lines are skipped. A field without '=' or
// a name given twice in one line is an error.
bool parseRecordLines(std::string_view text, std::vector<Record>& out, std::string& error);

enum class CompareOp { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };

struct Condition {
    std::string field;
    CompareOp op = CompareOp::Equal;
    bool isText = false;
    std::string text;        // literal in quotes
    std::int64_t number = 0; // whole number literal
};

// Empty, or comparisons joined by "and" (any letter case):
//   RecNo>=1 and RecNo<1001    CardNo='123'
bool parseFilter(std::string_view text, std::vector<Condition>& out, std::string& error);
// Number literals compare numerically with a field whose text is a number
// (decimals allowed, "12.34" > 12); a field that is no number fails them.
// Text literals compare as byte strings.
bool conditionHolds(const Condition& condition, std::string_view value);

// "name=value" pairs separated by commas.
bool parseOptions(std::string_view text, std::vector<NameValue>& out, std::string& error);

} // namespace posterm
