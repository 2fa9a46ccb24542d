#include "config/Codec.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "config/Cp1250.h"

namespace kdx {
namespace {

using namespace layout;

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

bool IsDigit(std::uint8_t byte) { return byte >= '0' && byte <= '9'; }

void DecodeRecord(const std::uint8_t* record, CommandRow& row) {
    if (const char* output = OutputWord(record[0])) row.output = output;
    if (const char* action = ActionWord(record[0], record[1])) row.action = action;
    row.confirm = ConfirmOf(record[2]);
    row.time = std::to_string(TimeOf(record[2]));
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
        setup.commandTable[static_cast<std::size_t>(r)].smsText = ReadTextField(
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
    setup.creditCode = ReadTextField(buffer, kCreditCodeOffset, kCreditCodeWidth);

    for (int i = 0; i < kPhoneEntries; ++i) {
        PhoneEntry& entry = setup.phoneList[static_cast<std::size_t>(i)];
        entry.number = ReadTextField(
            buffer, kNumberOffset + kNumberWidth * static_cast<std::size_t>(i), kNumberWidth);
        const std::uint8_t flags = buffer[kFlagsOffset + static_cast<std::size_t>(i)];
        for (int cell = 1; cell < kPhoneCells; ++cell) {
            const bool set = flags & kCellMask[static_cast<std::size_t>(cell)];
            entry.Cell(cell) = set ? words::kFlagSet : "";
        }
    }
    for (int k = 0; k < kMessageTexts; ++k) {
        setup.messageTexts.Text(k) = ReadTextField(
            buffer, kTextOffset + kTextWidth * static_cast<std::size_t>(k), kTextWidth);
    }
    return true;
}

std::string ReadTextField(const ConfigBuffer& buffer, std::size_t offset, std::size_t width) {
    std::string bytes;
    for (std::size_t i = offset; i < offset + width; ++i) {
        if (buffer.at(i) != kFill) bytes += static_cast<char>(buffer[i]);
    }
    return Cp1250ToUtf8(bytes);
}

int TimeOf(std::uint8_t timeByte) { return (timeByte & ~kConfirmBit & 0xFF) - kTimeBias; }

const char* ConfirmOf(std::uint8_t timeByte) {
    return (timeByte & kConfirmBit) ? words::kYes : words::kNo;
}

const char* OutputWord(std::uint8_t outputCode) {
    const std::size_t code = outputCode - kDigitZero;
    return code < words::kOutputs.size() ? words::kOutputs[code] : nullptr;
}

// Code 0 is SYSTEM with its functions; any other output code, known or not, switches.
const char* ActionWord(std::uint8_t outputCode, std::uint8_t actionCode) {
    const std::size_t code = actionCode - kDigitZero;
    if (outputCode == kDigitZero) {
        return code < words::kSystemActions.size() ? words::kSystemActions[code] : nullptr;
    }
    return code < words::kOutputActions.size() ? words::kOutputActions[code] : nullptr;
}

const char* StoredActionWord(std::uint8_t outputCode, std::uint8_t actionCode) {
    if (const char* word = ActionWord(outputCode, actionCode)) return word;
    const std::uint8_t otherTable = outputCode == kDigitZero ? kDigitZero + 1 : kDigitZero;
    return ActionWord(otherTable, actionCode);
}

}  // namespace kdx
