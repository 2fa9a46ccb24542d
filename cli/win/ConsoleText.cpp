#include "cli/win/ConsoleText.h"

#include <windows.h>

#include <utility>

namespace kdx {
namespace {

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

// The number of bytes a character takes by its first byte; 0 for a byte that starts none.
std::size_t Length(unsigned char first) {
    if (first < 0x80) return 1;
    if (first >= 0xC2 && first <= 0xDF) return 2;
    if (first >= 0xE0 && first <= 0xEF) return 3;
    if (first >= 0xF0 && first <= 0xF4) return 4;
    return 0;
}

}  // namespace

std::size_t WholeCharacters(std::string_view utf8) {
    // Only the last character can be cut short: look for its first byte among the last three.
    for (std::size_t back = 1; back <= 3 && back <= utf8.size(); ++back) {
        const auto byte = static_cast<unsigned char>(utf8[utf8.size() - back]);
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte
        const std::size_t length = Length(byte);
        return length > back ? utf8.size() - back : utf8.size();
    }
    return utf8.size();  // no first byte close to the end: nothing to wait for
}

std::wstring ConsoleText::Take(std::string_view piece) {
    pending_.append(piece);
    const std::size_t whole = WholeCharacters(pending_);
    std::wstring wide = Wide(std::string_view(pending_).substr(0, whole));
    pending_.erase(0, whole);
    return wide;
}

std::wstring ConsoleText::Finish() { return Wide(std::exchange(pending_, {})); }

}  // namespace kdx
