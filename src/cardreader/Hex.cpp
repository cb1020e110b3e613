#include "cardreader/Hex.h"

#include "common/HexDigit.h"

namespace cardreader {

namespace {
int digitValue(char c) {
    return hexDigitValue(c);
}

bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == ':' || c == '-';
}
} // namespace

bool parseHexBytes(const std::string& text, Bytes& out) {
    Bytes bytes;
    std::size_t i = 0;
    while (i < text.size()) {
        if (isSeparator(text[i])) {
            ++i;
            continue;
        }
        if (i + 1 >= text.size())
            return false;
        const int high = digitValue(text[i]);
        const int low = digitValue(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        i += 2;
    }
    out = std::move(bytes);
    return true;
}

std::string hexText(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            text += ' ';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

} // namespace cardreader
