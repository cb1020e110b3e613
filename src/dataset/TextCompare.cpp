#include "dataset/TextCompare.h"

namespace textcompare {

namespace {
// Position of `needle` (already folded) in `text` from `from`, or npos.
std::size_t findFolded(std::string_view text, std::string_view needle, std::size_t from) {
    if (needle.empty())
        return from;
    if (text.size() < needle.size())
        return std::string_view::npos;
    const std::size_t last = text.size() - needle.size();
    for (std::size_t i = from; i <= last; ++i) {
        std::size_t k = 0;
        while (k < needle.size() &&
               fold(static_cast<unsigned char>(text[i + k])) == static_cast<unsigned char>(needle[k]))
            ++k;
        if (k == needle.size())
            return i;
    }
    return std::string_view::npos;
}
} // namespace

LikePattern::LikePattern(const std::string& pattern) {
    // "a%b*c" gives the pieces "a", "b", "c"; "%x%" gives "", "x", "".
    // "[%]", "[*]" and "[[]" stand for the character itself.
    std::string current;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '[' && i + 2 < pattern.size() && pattern[i + 2] == ']' &&
            (pattern[i + 1] == '%' || pattern[i + 1] == '*' || pattern[i + 1] == '[')) {
            current += pattern[i + 1];
            i += 2;
        } else if (c == '%' || c == '*') {
            m_parts.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(fold(static_cast<unsigned char>(c)));
        }
    }
    m_parts.push_back(current);
}

bool LikePattern::matches(std::string_view text) const {
    const std::string& head = m_parts.front();
    if (m_parts.size() == 1)
        return text.size() == head.size() && findFolded(text, head, 0) == 0;
    const std::string& tail = m_parts.back();
    if (text.size() < head.size() + tail.size())
        return false;
    if (findFolded(text.substr(0, head.size()), head, 0) != 0 ||
        findFolded(text.substr(text.size() - tail.size()), tail, 0) != 0)
        return false;
    const std::string_view body = text.substr(0, text.size() - tail.size());
    std::size_t pos = head.size();
    for (std::size_t i = 1; i + 1 < m_parts.size(); ++i) {
        const std::size_t at = findFolded(body, m_parts[i], pos);
        if (at == std::string_view::npos)
            return false;
        pos = at + m_parts[i].size();
    }
    return true;
}

} // namespace textcompare
