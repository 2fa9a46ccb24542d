#pragma once

#include <string>
#include <string_view>

namespace kdx {

// Windows-1250, the module's code page, lossless for all 256 byte values: the five positions
// the code page leaves undefined map to the C1 control characters of the same value, so a byte
// read from the module comes back unchanged when written.
std::string Cp1250ToUtf8(std::string_view bytes);

// Appends code point `c` (up to U+10FFFF, no surrogate) as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

// A character that Windows-1250 cannot hold (or a malformed UTF-8 sequence) becomes '?'.
std::string Utf8ToCp1250(std::string_view utf8);

}  // namespace kdx
