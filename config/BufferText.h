#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "config/Layout.h"

namespace kdx {

// The debug window's text form of the buffer: one decimal byte value per line, each line ended
// by CR LF. A text widget that keeps line breaks as its own paragraphs must hand its text back
// with CR LF line ends.

namespace messages {
inline constexpr const char* kBufferSizePrefix = "buffer ma ";
inline constexpr const char* kBufferSizeSuffix = " bajtu!";
inline constexpr const char* kBadLinePrefix = "chyba v radku ";
inline constexpr const char* kBadLineSuffix = "!";
inline constexpr const char* kWrongCountPrefix = "chyba: ";
inline constexpr const char* kWrongCountSuffix = " hodnot misto 1024!";
}  // namespace messages

// The lines to append for "buff to win": the bytes at offsets 0 to 1023, as far as the buffer
// holds them.
std::string BufferToText(const ConfigBuffer& buffer);

// The log line for a buffer that does not hold exactly the memory's 1024 bytes, or nothing.
std::optional<std::string> BufferSizeMessage(const ConfigBuffer& buffer);

// "win to buff": the buffer is replaced only when the text holds exactly 1024 values, each a
// whole decimal number 0 to 255 (blanks around it and blank lines ignored, lines split at CR LF
// only). Otherwise the buffer is left exactly as it was and the log line saying why is returned:
// the first line (counted from 1 among all lines) that is not such a number, or the wrong count.
std::optional<std::string> TextToBuffer(std::string_view text, ConfigBuffer& buffer);

}  // namespace kdx
