#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/SetupModel.h"

namespace kdx {

// The module's configuration memory, byte 0 first, as a transfer moves it. It may hold fewer or
// more than kBufferSize bytes after a short read or a hand edit; the decoder checks.
using ConfigBuffer = std::vector<std::uint8_t>;

// The module's memory format: every offset, width and code here is binding.
namespace layout {

inline constexpr std::size_t kBufferSize = 1024;
inline constexpr std::uint8_t kFill = 0xFF;  // pads text fields and fills the gaps

inline constexpr std::size_t kSmsTextOffset = 0;  // row r at kSmsTextOffset + kSmsTextWidth * r
inline constexpr std::size_t kSmsTextWidth = 32;

inline constexpr std::size_t kIn1PolarityOffset = kSmsTextOffset + kSmsTextWidth * kCommandRows;
inline constexpr std::size_t kIn1InsensitivityOffset = kIn1PolarityOffset + 1;
inline constexpr std::size_t kIn2PolarityOffset = kIn1PolarityOffset + 2;
inline constexpr std::size_t kIn2InsensitivityOffset = kIn1PolarityOffset + 3;
inline constexpr std::size_t kSysValueOffset = kIn1PolarityOffset + 4;
inline constexpr std::size_t kOutputDefaultsOffset = kIn1PolarityOffset + 5;
inline constexpr std::size_t kCreditKeepAliveOffset = kIn1PolarityOffset + 6;

inline constexpr std::size_t kGap1Offset = kCreditKeepAliveOffset + 1;
inline constexpr std::size_t kGap1Size = 8;

inline constexpr std::size_t kRecordOffset = kGap1Offset + kGap1Size;  // row r at + kRecordSize * r
inline constexpr std::size_t kRecordSize = 3;  // output code, action code, time byte

inline constexpr std::size_t kCreditCodeOffset = kRecordOffset + kRecordSize * kCommandRows;
inline constexpr std::size_t kCreditCodeWidth = 16;

inline constexpr std::size_t kGap2Offset = kCreditCodeOffset + kCreditCodeWidth;
inline constexpr std::size_t kGap2Size = 37;

inline constexpr std::size_t kNumberOffset = kGap2Offset + kGap2Size;  // entry i at + width * i
inline constexpr std::size_t kNumberWidth = 16;

inline constexpr std::size_t kFlagsOffset = kNumberOffset + kNumberWidth * kPhoneEntries;

inline constexpr std::size_t kGap3Offset = kFlagsOffset + kPhoneEntries;
inline constexpr std::size_t kGap3Size = 6;

inline constexpr std::size_t kTextOffset = kGap3Offset + kGap3Size;  // text k at + width * k
inline constexpr std::size_t kTextWidth = 16;

static_assert(kIn1PolarityOffset == 0x280);
static_assert(kRecordOffset == 0x28F);
static_assert(kCreditCodeOffset == 0x2CB);
static_assert(kNumberOffset == 0x300);
static_assert(kFlagsOffset == 0x3A0);
static_assert(kTextOffset == 0x3B0);
static_assert(kTextOffset + kTextWidth * kMessageTexts == kBufferSize);

// Code bytes are ASCII digits.
inline constexpr std::uint8_t kDigitZero = '0';
inline constexpr std::uint8_t kCreditKeepAliveOn = '1';
inline constexpr std::uint8_t kCreditKeepAliveOff = '0';

// Time byte of a command record: bit 7 confirms by ringing back, bits 0 to 6 hold time + 32.
inline constexpr std::uint8_t kConfirmBit = 0x80;
inline constexpr int kTimeBias = 32;
inline constexpr int kTimeMin = -kTimeBias;
inline constexpr int kTimeMax = 0x7F - kTimeBias;

// Flag byte of a phone entry: the mask of each phone cell 1 to 8.
inline constexpr std::uint8_t kFlagCall = 0x01;
inline constexpr std::uint8_t kFlagSms = 0x02;
inline constexpr std::uint8_t kFlagRing = 0x04;
inline constexpr std::uint8_t kFlagMonitor = 0x08;
inline constexpr std::uint8_t kFlagBit4 = 0x10;
inline constexpr std::uint8_t kFlagIn1 = 0x20;
inline constexpr std::uint8_t kFlagIn2 = 0x40;
inline constexpr std::uint8_t kFlagSys = 0x80;
// By phone cell: 1 flagCall to 7 flagMonitor, then 8 flagBit4, which is only ever decoded.
inline constexpr std::uint8_t kCellMask[kPhoneCells] = {
    0, kFlagCall, kFlagSms, kFlagIn1, kFlagIn2, kFlagSys, kFlagRing, kFlagMonitor, kFlagBit4};
inline constexpr int kBit4Cell = 8;

}  // namespace layout

// A named piece of the module's memory. Names follow the keys of the .json setup files
// (commands and phones counted from 1, as the window shows them), so a difference reported
// by name can be found in such a file.
struct MemoryField {
    enum class Kind {
        Text,
        Number,
        CreditSwitch,
        OutputCode,
        ActionCode,
        TimeByte,
        Flags,
        OutputDefaults,
        Reserved
    };
    std::string name;
    std::size_t offset;
    std::size_t size;
    Kind kind;
    std::size_t index = 0;  // the command row, phone entry or text it belongs to, from 0
};

// The name of an item's field in a list, the item counted from 1: "commands[3].sms".
std::string NumberedName(const char* list, std::size_t index, const char* key);

// Every byte of the memory belongs to exactly one field; in memory order. For showing bytes
// that a decoded setup does not say (gaps, codes outside the tables, an image that does not
// decode); the codec checks the code bytes through it.
const std::vector<MemoryField>& MemoryFields();

}  // namespace kdx
