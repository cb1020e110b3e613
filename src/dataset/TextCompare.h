#pragma once
// Comparisons of UTF-8 texts as stored: byte order (which is code-point
// order), optionally folding ASCII letters. Chinese has no letter case, so
// folding ASCII is what "without regard to case" means for these data.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace textcompare {

inline unsigned char fold(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

inline int compare(std::string_view a, std::string_view b, bool caseInsensitive) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (caseInsensitive) {
            x = fold(x);
            y = fold(y);
        }
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

inline bool startsWith(std::string_view text, std::string_view prefix, bool caseInsensitive) {
    return text.size() >= prefix.size() &&
           compare(text.substr(0, prefix.size()), prefix, caseInsensitive) == 0;
}

// A LIKE pattern with the wildcards "%" and "*" (any run of characters),
// matched without regard to ASCII case; "[%]", "[*]" and "[[]" match the
// character itself.
class LikePattern {
public:
    explicit LikePattern(const std::string& pattern);
    bool matches(std::string_view text) const;

private:
    std::vector<std::string> m_parts; // literal pieces between wildcards, folded
};

} // namespace textcompare
