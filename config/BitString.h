#pragma once

#include <string>
#include <string_view>

namespace kdx {

// A byte as eight "0"/"1" characters, most significant bit first; position p (1 to 8) is
// bit 8 - p. The panel works on these; the encoder and decoder use plain masks with the same
// results.
using BitString = std::string;

BitString ToBitString(int n);                              // n in 0..255
int FromBitString(std::string_view s);                     // anything but "1" counts as 0
std::string BitAt(std::string_view s, int n);              // the character at position n
BitString SetBitOne(std::string_view s, int n);            // position n becomes "1"
BitString SetBitTo(std::string_view s, int n, int digit);  // position n becomes the digit

}  // namespace kdx
