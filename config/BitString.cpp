#include "config/BitString.h"

namespace kdx {

BitString ToBitString(int n) {
    BitString s(8, '0');
    for (int p = 8; p >= 1 && n > 0; --p, n /= 2)
        s[static_cast<std::size_t>(p - 1)] = n % 2 ? '1' : '0';
    return s;
}

int FromBitString(std::string_view s) {
    int value = 0;
    for (int i = 0; i < 8; ++i) {
        const std::size_t pos = static_cast<std::size_t>(7 - i);
        if (pos < s.size() && s[pos] == '1') value |= 1 << i;
    }
    return value;
}

std::string BitAt(std::string_view s, int n) {
    const auto pos = static_cast<std::size_t>(n - 1);
    return pos < s.size() ? std::string(1, s[pos]) : std::string();
}

BitString SetBitTo(std::string_view s, int n, int digit) {
    // Left part, the new character, and the last 8 - n characters, as the panel expects.
    const auto left = static_cast<std::size_t>(n - 1);
    const auto rightLength = static_cast<std::size_t>(8 - n);
    BitString result(s.substr(0, left));
    result += std::to_string(digit);
    if (s.size() >= rightLength) result += s.substr(s.size() - rightLength);
    return result;
}

BitString SetBitOne(std::string_view s, int n) { return SetBitTo(s, n, 1); }

}  // namespace kdx
