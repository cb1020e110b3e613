#pragma once
// Hexadecimal byte texts as the card file writes them ("01 02 0A", "01:02:0a", "01020A").
#include "cardreader/Backend.h"

#include <string>

namespace cardreader {

// Reads pairs of hexadecimal digits; blanks, tabs, ':' and '-' may separate
// bytes but not split one. False (and `out` untouched) for anything else.
bool parseHexBytes(const std::string& text, Bytes& out);

// "01 02 0A"
std::string hexText(const Bytes& bytes);

} // namespace cardreader
