#include "TextCoding.h"

#include "common/HexDigit.h"

#include <limits>

namespace posterm {

namespace {
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int base64Value(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

int hexValue(char c) {
    return hexDigitValue(c);
}

char lowerChar(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}
} // namespace

std::string base64Encode(std::string_view data) {
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < data.size(); i += 3) {
        const std::uint32_t v = (std::uint32_t(std::uint8_t(data[i])) << 16) |
                                (std::uint32_t(std::uint8_t(data[i + 1])) << 8) | std::uint8_t(data[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    const std::size_t rest = data.size() - i;
    if (rest == 1) {
        const std::uint32_t v = std::uint32_t(std::uint8_t(data[i])) << 16;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += "==";
    } else if (rest == 2) {
        const std::uint32_t v =
            (std::uint32_t(std::uint8_t(data[i])) << 16) | (std::uint32_t(std::uint8_t(data[i + 1])) << 8);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

bool base64Decode(std::string_view text, std::string& out) {
    out.clear();
    if (text.size() % 4 != 0)
        return false;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        int v[4];
        int pad = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = text[i + k];
            if (c == '=' && last && k >= 2) {
                v[k] = 0;
                ++pad;
                continue;
            }
            if (pad > 0)
                return false;
            v[k] = base64Value(c);
            if (v[k] < 0)
                return false;
        }
        const std::uint32_t n = (std::uint32_t(v[0]) << 18) | (std::uint32_t(v[1]) << 12) |
                                (std::uint32_t(v[2]) << 6) | std::uint32_t(v[3]);
        out += char((n >> 16) & 0xFF);
        if (pad < 2)
            out += char((n >> 8) & 0xFF);
        if (pad < 1)
            out += char(n & 0xFF);
    }
    return true;
}

std::string percentEncode(std::string_view text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += hex[std::uint8_t(c) >> 4];
            out += hex[std::uint8_t(c) & 15];
        }
    }
    return out;
}

bool percentDecode(std::string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const int hi = hexValue(text[i + 1]);
        const int lo = hexValue(text[i + 2]);
        if (hi < 0 || lo < 0)
            return false;
        out += char(hi * 16 + lo);
        i += 2;
    }
    return true;
}

bool parseQuery(std::string_view query, std::vector<NameValue>& out) {
    out.clear();
    if (query.empty())
        return true;
    for (const std::string_view part : split(query, '&')) {
        if (part.empty())
            continue;
        const std::size_t eq = part.find('=');
        NameValue pair;
        if (!percentDecode(part.substr(0, eq), pair.first))
            return false;
        if (eq != std::string_view::npos && !percentDecode(part.substr(eq + 1), pair.second))
            return false;
        out.push_back(std::move(pair));
    }
    return true;
}

const std::string* findValue(const std::vector<NameValue>& pairs, std::string_view name) {
    for (const NameValue& pair : pairs) {
        if (equalsNoCase(pair.first, name))
            return &pair.second;
    }
    return nullptr;
}

std::string toLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = lowerChar(c);
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerChar(a[i]) != lowerChar(b[i]))
            return false;
    }
    return true;
}

std::string_view trim(std::string_view text) {
    const char* blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t pos = text.find(separator, start);
        if (pos == std::string_view::npos) {
            parts.push_back(text.substr(start));
            break;
        }
        parts.push_back(text.substr(start, pos - start));
        start = pos + 1;
    }
    return parts;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines = split(text, '\n');
    for (std::string_view& line : lines) {
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
    }
    if (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

bool parseUnsigned(std::string_view text, std::uint64_t& out) {
    if (text.empty())
        return false;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        const unsigned digit = unsigned(c - '0');
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    out = value;
    return true;
}

bool parseSigned(std::string_view text, std::int64_t& out) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    std::uint64_t magnitude = 0;
    if (!parseUnsigned(text, magnitude))
        return false;
    const std::uint64_t limit = std::uint64_t(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
    if (magnitude > limit)
        return false;
    out = negative ? std::int64_t(0 - magnitude) : std::int64_t(magnitude);
    return true;
}

} // namespace posterm
