#include "config/Codec.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "config/Cp1250.h"

namespace kdx {
namespace {

using namespace layout;
using Kind = MemoryField::Kind;

std::vector<MemoryField> BuildFields() {
    std::vector<MemoryField> fields;
    auto add = [&](std::string name, std::size_t offset, std::size_t size, Kind kind,
                   std::size_t index = 0) {
        fields.push_back({std::move(name), offset, size, kind, index});
    };
    auto reserved = [&](std::size_t offset, std::size_t size) {
        add("reserved[" + std::to_string(offset) + ".." + std::to_string(offset + size - 1) + "]",
            offset, size, Kind::Reserved);
    };
    for (std::size_t r = 0; r < kCommandRows; ++r) {
        add(NumberedName("commands", r, "sms"), kSmsTextOffset + kSmsTextWidth * r, kSmsTextWidth,
            Kind::Text, r);
    }
    add("inputs.in1.polarity", kIn1PolarityOffset, 1, Kind::Number);
    add("inputs.in1.insensitivity", kIn1InsensitivityOffset, 1, Kind::Number);
    add("inputs.in2.polarity", kIn2PolarityOffset, 1, Kind::Number);
    add("inputs.in2.insensitivity", kIn2InsensitivityOffset, 1, Kind::Number);
    add("sys", kSysValueOffset, 1, Kind::Number);
    add("outputDefaults", kOutputDefaultsOffset, 1, Kind::OutputDefaults);
    add("creditKeepAlive", kCreditKeepAliveOffset, 1, Kind::CreditSwitch);
    reserved(kGap1Offset, kGap1Size);
    for (std::size_t r = 0; r < kCommandRows; ++r) {
        const std::size_t record = kRecordOffset + kRecordSize * r;
        add(NumberedName("commands", r, "output"), record, 1, Kind::OutputCode, r);
        add(NumberedName("commands", r, "action"), record + 1, 1, Kind::ActionCode, r);
        add(NumberedName("commands", r, "time+confirm"), record + 2, 1, Kind::TimeByte, r);
    }
    add("creditCode", kCreditCodeOffset, kCreditCodeWidth, Kind::Text);
    reserved(kGap2Offset, kGap2Size);
    for (std::size_t i = 0; i < kPhoneEntries; ++i) {
        add(NumberedName("phones", i, "number"), kNumberOffset + kNumberWidth * i, kNumberWidth,
            Kind::Text, i);
    }
    for (std::size_t i = 0; i < kPhoneEntries; ++i) {
        add(NumberedName("phones", i, "flags"), kFlagsOffset + i, 1, Kind::Flags, i);
    }
    reserved(kGap3Offset, kGap3Size);
    for (std::size_t k = 0; k < kMessageTexts; ++k) {
        add(std::string("texts.") + keys::kTexts[k], kTextOffset + kTextWidth * k, kTextWidth,
            Kind::Text, k);
    }
    return fields;
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

bool IsDigit(std::uint8_t byte) { return byte >= '0' && byte <= '9'; }

// Names a record's action by its codes, or gives nullptr.
using ActionNamer = const char* (*)(std::uint8_t outputCode, std::uint8_t actionCode);

bool Decode(const ConfigBuffer& buffer, ActionNamer actionWord, SetupModel& setup) {
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

    for (std::size_t r = 0; r < kCommandRows; ++r) {
        const std::uint8_t* record = &buffer[kRecordOffset + kRecordSize * r];
        CommandRow& row = setup.commandTable[r];
        if (const char* output = OutputWord(record[0])) row.output = output;
        if (const char* action = actionWord(record[0], record[1])) row.action = action;
        row.confirm = ConfirmOf(record[2]);
        row.time = std::to_string(TimeOf(record[2]));
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

}  // namespace

std::string NumberedName(const char* list, std::size_t index, const char* key) {
    return std::string(list) + "[" + std::to_string(index + 1) + "]." + key;
}

const std::vector<MemoryField>& MemoryFields() {
    static const std::vector<MemoryField> fields = BuildFields();
    return fields;
}

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
    // The fields come in memory order, so the problem named is the first one.
    for (const MemoryField& field : MemoryFields()) {
        const bool code = field.kind == Kind::CreditSwitch || field.kind == Kind::OutputCode ||
                          field.kind == Kind::ActionCode;
        if (code && !IsDigit(buffer[field.offset])) {
            return DecodeProblem{DecodeProblem::Kind::NotADigit, field.offset};
        }
    }
    return std::nullopt;
}

bool DecodeBuffer(const ConfigBuffer& buffer, SetupModel& setup) {
    return Decode(buffer, ActionWord, setup);
}

std::optional<SetupModel> StoredSetup(const ConfigBuffer& image) {
    SetupModel setup = StartSetup();
    if (!Decode(image, StoredActionWord, setup)) return std::nullopt;
    return setup;
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
