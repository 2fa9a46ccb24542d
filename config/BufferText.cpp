#include "config/BufferText.h"

#include <algorithm>

namespace kdx {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kBlanks = " \t";

// A whole decimal number 0 to 255 with optional blanks around it; the caller skips blank lines.
std::optional<std::uint8_t> ByteValue(std::string_view piece) {
    const std::size_t first = piece.find_first_not_of(kBlanks);
    const std::size_t last = piece.find_last_not_of(kBlanks);
    const std::string_view digits = piece.substr(first, last - first + 1);
    unsigned value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > 255) return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

}  // namespace

std::string BufferToText(const ConfigBuffer& buffer) {
    const std::size_t count = std::min(buffer.size(), layout::kBufferSize);
    std::string text;
    text.reserve(count * 5);
    for (std::size_t offset = 0; offset < count; ++offset) {
        text += std::to_string(buffer[offset]);
        text += kLineEnd;
    }
    return text;
}

std::optional<std::string> BufferSizeMessage(const ConfigBuffer& buffer) {
    if (buffer.size() == layout::kBufferSize) return std::nullopt;
    return messages::kBufferSizePrefix + std::to_string(buffer.size()) +
           messages::kBufferSizeSuffix;
}

std::optional<std::string> TextToBuffer(std::string_view text, ConfigBuffer& buffer) {
    ConfigBuffer values;
    values.reserve(layout::kBufferSize);
    std::size_t line = 0;
    for (std::size_t start = 0; start <= text.size();) {
        ++line;
        std::size_t end = text.find(kLineEnd, start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view piece = text.substr(start, end - start);
        start = end + kLineEnd.size();
        if (piece.find_first_not_of(kBlanks) == std::string_view::npos) continue;  // blank line
        const auto value = ByteValue(piece);
        if (!value) {
            return messages::kBadLinePrefix + std::to_string(line) + messages::kBadLineSuffix;
        }
        values.push_back(*value);
    }
    if (values.size() != layout::kBufferSize) {
        return messages::kWrongCountPrefix + std::to_string(values.size()) +
               messages::kWrongCountSuffix;
    }
    buffer = std::move(values);
    return std::nullopt;
}

}  // namespace kdx
