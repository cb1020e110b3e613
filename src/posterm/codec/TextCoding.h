#pragma once
// Small text helpers shared by the terminal library and the simulator: base64
// for the Authorization header, percent-encoding of query parameters, and the
// splitting and number parsing every request and answer needs.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace posterm {

using NameValue = std::pair<std::string, std::string>;

std::string base64Encode(std::string_view data);
// Standard alphabet with padding; false on any other character or bad length.
bool base64Decode(std::string_view text, std::string& out);

// Keeps A-Z a-z 0-9 - _ . ~ and writes every other byte as %XX.
std::string percentEncode(std::string_view text);
// Decodes %XX escapes; '+' stays a literal plus. False on a broken escape.
bool percentDecode(std::string_view text, std::string& out);
// "a=1&b=2" into decoded pairs (a part without '=' has an empty value).
bool parseQuery(std::string_view query, std::vector<NameValue>& out);
// Value of the first pair named `name` (any letter case), or nullptr.
const std::string* findValue(const std::vector<NameValue>& pairs, std::string_view name);

std::string toLower(std::string_view text);
bool equalsNoCase(std::string_view a, std::string_view b);
std::string_view trim(std::string_view text);
std::vector<std::string_view> split(std::string_view text, char separator);
// Body lines split at LF with a trailing CR removed; a final empty line is dropped.
std::vector<std::string_view> splitLines(std::string_view text);

// Only digits, at least one, no overflow.
bool parseUnsigned(std::string_view text, std::uint64_t& out);
// Optional leading '-', then digits; no overflow.
bool parseSigned(std::string_view text, std::int64_t& out);

} // namespace posterm
