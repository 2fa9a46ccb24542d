#include "config/Codec.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "config/Cp1250.h"

namespace kdx {
namespace {

using namespace layout;

// Phone cells 1 to 7 and the bit each stands for; cell 8 (bit 4) is only ever decoded.
constexpr std::array<std::uint8_t, kPhoneCells> kCellMask = {
    0, kFlagCall, kFlagSms, kFlagIn1, kFlagIn2, kFlagSys, kFlagRing, kFlagMonitor, kFlagBit4};
constexpr int kBit4Cell = 8;

// The leading decimal number of a text (blanks before it skipped, an optional sign), bounded to
// lo..hi; a text without digits counts as 0.
int LeadingNumber(std::string_view text, int lo, int hi) {
    std::size_t pos = text.find_first_not_of(' ');
    if (pos == std::string_view::npos) return std::clamp(0, lo, hi);
    bool negative = false;
    if (text[pos] == '-' || text[pos] == '+') negative = text[pos++] == '-';
    long value = 0;
    for (; pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])); ++pos) {
        value = std::min(value * 10 + (text[pos] - '0'), 100000L);  // far beyond any bound
    }
    return static_cast<int>(std::clamp(negative ? -value : value, long{lo}, long{hi}));
}

std::uint8_t ByteOf(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

void AppendText(ConfigBuffer& buffer, const std::string& utf8, std::size_t width) {
    std::string bytes = Utf8ToCp1250(utf8);
    bytes.resize(std::min(bytes.size(), width));
    buffer.insert(buffer.end(), bytes.begin(), bytes.end());
    buffer.insert(buffer.end(), width - bytes.size(), kFill);
}

void AppendFill(ConfigBuffer& buffer, std::size_t count) {
    buffer.insert(buffer.end(), count, kFill);
}

std::uint8_t Digit(std::size_t code) { return static_cast<std::uint8_t>(kDigitZero + code); }

template <std::size_t N>
std::optional<std::size_t> IndexOf(const std::array<const char*, N>& words, const std::string& w) {
    for (std::size_t i = 0; i < N; ++i) {
        if (w == words[i]) return i;
    }
    return std::nullopt;
}

std::uint8_t OutputCode(const std::string& output) {
    return Digit(IndexOf(words::kOutputs, output).value_or(0));
}

// Each word has its own code whatever the row's output is.
std::uint8_t ActionCode(const std::string& action) {
    if (const auto code = IndexOf(words::kOutputActions, action)) return Digit(*code);
    return Digit(IndexOf(words::kSystemActions, action).value_or(0));
}

std::uint8_t TimeByte(const CommandRow& row) {
    const int time = LeadingNumber(row.time, kTimeMin, kTimeMax);
    const auto low = static_cast<std::uint8_t>(time + kTimeBias);
    return row.confirm == words::kYes ? static_cast<std::uint8_t>(low | kConfirmBit) : low;
}

std::uint8_t FlagByte(const PhoneEntry& entry) {
    std::uint8_t flags = 0;
    for (int cell = 1; cell < kBit4Cell; ++cell) {
        if (!entry.Cell(cell).empty()) flags |= kCellMask[static_cast<std::size_t>(cell)];
    }
    return flags;
}

std::string ReadText(const ConfigBuffer& buffer, std::size_t offset, std::size_t width) {
    std::string bytes;
    for (std::size_t i = offset; i < offset + width; ++i) {
        if (buffer[i] != kFill) bytes += static_cast<char>(buffer[i]);
    }
    return Cp1250ToUtf8(bytes);
}

bool IsDigit(std::uint8_t byte) { return byte >= '0' && byte <= '9'; }

void DecodeRecord(const std::uint8_t* record, CommandRow& row) {
    const std::size_t output = record[0] - kDigitZero;
    const std::size_t action = record[1] - kDigitZero;
    if (output == 0) {
        row.output = words::kSystem;
        if (action < words::kSystemActions.size()) row.action = words::kSystemActions[action];
    } else {
        if (output < words::kOutputs.size()) row.output = words::kOutputs[output];
        if (action < words::kOutputActions.size()) row.action = words::kOutputActions[action];
    }
    row.confirm = (record[2] & kConfirmBit) ? words::kYes : words::kNo;
    row.time = std::to_string((record[2] & ~kConfirmBit & 0xFF) - kTimeBias);
}

}  // namespace

ConfigBuffer EncodeSetup(const SetupModel& setup) {
    ConfigBuffer buffer;
    buffer.reserve(kBufferSize);
    for (const CommandRow& row : setup.commandTable) AppendText(buffer, row.smsText, kSmsTextWidth);

    const InputSettings& in = setup.inputSettings;
    buffer.push_back(ByteOf(in.in1Polarity));
    buffer.push_back(ByteOf(in.in1Insensitivity));
    buffer.push_back(ByteOf(in.in2Polarity));
    buffer.push_back(ByteOf(in.in2Insensitivity));
    buffer.push_back(ByteOf(LeadingNumber(setup.sysValue, 0, 255)));
    buffer.push_back(setup.outputDefaults);
    buffer.push_back(setup.creditKeepAlive ? kCreditKeepAliveOn : kCreditKeepAliveOff);
    AppendFill(buffer, kGap1Size);

    for (const CommandRow& row : setup.commandTable) {
        buffer.push_back(OutputCode(row.output));
        buffer.push_back(ActionCode(row.action));
        buffer.push_back(TimeByte(row));
    }
    AppendText(buffer, setup.creditCode, kCreditCodeWidth);
    AppendFill(buffer, kGap2Size);

    for (const PhoneEntry& entry : setup.phoneList) AppendText(buffer, entry.number, kNumberWidth);
    for (const PhoneEntry& entry : setup.phoneList) buffer.push_back(FlagByte(entry));
    AppendFill(buffer, kGap3Size);

    for (int k = 0; k < kMessageTexts; ++k) {
        AppendText(buffer, setup.messageTexts.Text(k), kTextWidth);
    }
    return buffer;
}

std::optional<DecodeProblem> CheckBuffer(const ConfigBuffer& buffer) {
    if (buffer.size() < kBufferSize)
        return DecodeProblem{DecodeProblem::Kind::TooShort, buffer.size()};
    auto notADigit = [&](std::size_t offset) -> std::optional<DecodeProblem> {
        if (IsDigit(buffer[offset])) return std::nullopt;
        return DecodeProblem{DecodeProblem::Kind::NotADigit, offset};
    };
    // In memory order, so the problem named is the first one.
    if (auto problem = notADigit(kCreditKeepAliveOffset)) return problem;
    for (int r = 0; r < kCommandRows; ++r) {
        const std::size_t record = kRecordOffset + kRecordSize * static_cast<std::size_t>(r);
        if (auto problem = notADigit(record)) return problem;
        if (auto problem = notADigit(record + 1)) return problem;
    }
    return std::nullopt;
}

bool DecodeBuffer(const ConfigBuffer& buffer, SetupModel& setup) {
    if (CheckBuffer(buffer)) return false;

    for (int r = 0; r < kCommandRows; ++r) {
        setup.commandTable[static_cast<std::size_t>(r)].smsText = ReadText(
            buffer, kSmsTextOffset + kSmsTextWidth * static_cast<std::size_t>(r), kSmsTextWidth);
    }
    InputSettings& in = setup.inputSettings;
    in.in1Polarity = buffer[kIn1PolarityOffset];
    in.in1Insensitivity = buffer[kIn1InsensitivityOffset];
    in.in2Polarity = buffer[kIn2PolarityOffset];
    in.in2Insensitivity = buffer[kIn2InsensitivityOffset];
    setup.sysValue = std::to_string(buffer[kSysValueOffset]);
    setup.outputDefaults = buffer[kOutputDefaultsOffset];
    setup.creditKeepAlive = buffer[kCreditKeepAliveOffset] == kCreditKeepAliveOn;

    for (int r = 0; r < kCommandRows; ++r) {
        const std::size_t record = kRecordOffset + kRecordSize * static_cast<std::size_t>(r);
        DecodeRecord(&buffer[record], setup.commandTable[static_cast<std::size_t>(r)]);
    }
    setup.creditCode = ReadText(buffer, kCreditCodeOffset, kCreditCodeWidth);

    for (int i = 0; i < kPhoneEntries; ++i) {
        PhoneEntry& entry = setup.phoneList[static_cast<std::size_t>(i)];
        entry.number = ReadText(buffer, kNumberOffset + kNumberWidth * static_cast<std::size_t>(i),
                                kNumberWidth);
        const std::uint8_t flags = buffer[kFlagsOffset + static_cast<std::size_t>(i)];
        for (int cell = 1; cell < kPhoneCells; ++cell) {
            const bool set = flags & kCellMask[static_cast<std::size_t>(cell)];
            entry.Cell(cell) = set ? words::kFlagSet : "";
        }
    }
    for (int k = 0; k < kMessageTexts; ++k) {
        setup.messageTexts.Text(k) =
            ReadText(buffer, kTextOffset + kTextWidth * static_cast<std::size_t>(k), kTextWidth);
    }
    return true;
}

}  // namespace kdx
