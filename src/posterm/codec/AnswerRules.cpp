#include "AnswerRules.h"

#include <cstring>
#include <limits>

#include "TextCoding.h"

namespace posterm {

namespace {

// Value of the line "name=<n>" among `lines`, or -1.
long long numberLine(const std::vector<std::string_view>& lines, std::string_view name) {
    for (const std::string_view line : lines) {
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || !equalsNoCase(trim(line.substr(0, eq)), name))
            continue;
        std::uint64_t n = 0;
        if (!parseUnsigned(trim(line.substr(eq + 1)), n) ||
            n > std::uint64_t(std::numeric_limits<int>::max()))
            return -1;
        return (long long)n;
    }
    return -1;
}

} // namespace

int resultForStatus(int status) {
    switch (status) {
    case 200:
        return kOk;
    case 400:
        return kMalformed;
    case 401:
        return kRefused;
    case 404:
        return kUnknownTable;
    default:
        return kOtherStatus;
    }
}

int copyAnswer(char* buffer, int size, std::string_view answer) {
    if (!buffer || size < 0)
        return kMalformed;
    if (size > 0)
        std::memset(buffer, 0, std::size_t(size));
    // The caller reads the buffer as a C string: an answer with a zero inside
    // would be cut there and still be taken as whole.
    if (answer.find('\0') != std::string_view::npos)
        return kMalformed;
    if (answer.size() + 1 > std::size_t(size))
        return kBufferTooSmall;
    if (!answer.empty())
        std::memcpy(buffer, answer.data(), answer.size());
    return kOk;
}

int countFromAnswer(std::string_view body) {
    const std::vector<std::string_view> lines = splitLines(body);
    if (lines.empty())
        return kMalformed;
    const long long n = numberLine({lines.front()}, "count");
    return n < 0 ? kMalformed : int(n);
}

int recordsFromAnswer(std::string_view body) {
    const std::vector<std::string_view> lines = splitLines(body);
    if (lines.size() < 2)
        return kMalformed;
    const long long n = numberLine({lines.front()}, "records");
    if (n < 0 || std::size_t(n) != lines.size() - 2)
        return kMalformed;
    return int(n);
}

bool isInfoAnswer(std::string_view body) {
    const std::vector<std::string_view> lines = splitLines(body);
    return !lines.empty() && trim(lines.front()) == "OK";
}

int appendedFromAnswer(std::string_view body) {
    const long long n = numberLine(splitLines(body), "appended");
    return n < 0 ? kMalformed : int(n);
}

} // namespace posterm
