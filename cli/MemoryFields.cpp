#include "cli/MemoryFields.h"

#include <algorithm>
#include <cstdio>

#include "config/Cp1250.h"

namespace kdx {
namespace {

using namespace layout;
using Kind = MemoryField::Kind;

std::string Numbered(const char* list, std::size_t index, const char* key) {
    return std::string(list) + "[" + std::to_string(index + 1) + "]." + key;
}

std::vector<MemoryField> BuildFields() {
    std::vector<MemoryField> fields;
    auto add = [&](std::string name, std::size_t offset, std::size_t size, Kind kind) {
        fields.push_back({std::move(name), offset, size, kind});
    };
    auto reserved = [&](std::size_t offset, std::size_t size) {
        add("reserved[" + std::to_string(offset) + ".." + std::to_string(offset + size - 1) + "]",
            offset, size, Kind::Reserved);
    };
    for (std::size_t r = 0; r < kCommandRows; ++r) {
        add(Numbered("commands", r, "sms"), kSmsTextOffset + kSmsTextWidth * r, kSmsTextWidth,
            Kind::Text);
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
        add(Numbered("commands", r, "output"), record, 1, Kind::OutputCode);
        add(Numbered("commands", r, "action"), record + 1, 1, Kind::ActionCode);
        add(Numbered("commands", r, "time+confirm"), record + 2, 1, Kind::TimeByte);
    }
    add("creditCode", kCreditCodeOffset, kCreditCodeWidth, Kind::Text);
    reserved(kGap2Offset, kGap2Size);
    for (std::size_t i = 0; i < kPhoneEntries; ++i) {
        add(Numbered("phones", i, "number"), kNumberOffset + kNumberWidth * i, kNumberWidth,
            Kind::Text);
    }
    for (std::size_t i = 0; i < kPhoneEntries; ++i) {
        add(Numbered("phones", i, "flags"), kFlagsOffset + i, 1, Kind::Flags);
    }
    reserved(kGap3Offset, kGap3Size);
    const char* texts[kMessageTexts] = {"pagerName", "alarmIn1", "alarmIn2", "calmIn1", "calmIn2"};
    for (std::size_t k = 0; k < kMessageTexts; ++k) {
        add(std::string("texts.") + texts[k], kTextOffset + kTextWidth * k, kTextWidth, Kind::Text);
    }
    return fields;
}

std::string Hex(std::uint8_t byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

std::string Code(std::uint8_t byte, std::size_t index, std::size_t count,
                 const char* const* words) {
    if (index < count) return words[index];
    return "?" + Hex(byte);  // a code the module's tables do not know
}

std::string Flags(std::uint8_t byte) {
    static constexpr std::pair<std::uint8_t, const char*> kNames[] = {
        {kFlagCall, "CALL"}, {kFlagSms, "SMS"},   {kFlagIn1, "IN1"},         {kFlagIn2, "IN2"},
        {kFlagSys, "SYS"},   {kFlagRing, "Ring"}, {kFlagMonitor, "Monitor"}, {kFlagBit4, "bit4"}};
    std::string text;
    for (const auto& [mask, name] : kNames) {
        if (byte & mask) text += (text.empty() ? "" : " ") + std::string(name);
    }
    return text.empty() ? "-" : text;
}

}  // namespace

const std::vector<MemoryField>& MemoryFields() {
    static const std::vector<MemoryField> fields = BuildFields();
    return fields;
}

std::string DescribeField(const MemoryField& field, const ConfigBuffer& image) {
    const std::uint8_t first = image.at(field.offset);
    switch (field.kind) {
        case Kind::Text: {
            std::string bytes;
            for (std::size_t i = field.offset; i < field.offset + field.size; ++i) {
                if (image[i] != kFill) bytes += static_cast<char>(image[i]);
            }
            return "\"" + Cp1250ToUtf8(bytes) + "\"";
        }
        case Kind::Number:
            return std::to_string(first);
        case Kind::CreditSwitch:
            return first == kCreditKeepAliveOn ? "true" : "false (" + Hex(first) + ")";
        case Kind::OutputCode:
            return Code(first, static_cast<std::size_t>(first - kDigitZero), words::kOutputs.size(),
                        words::kOutputs.data());
        case Kind::ActionCode: {
            const bool system = image.at(field.offset - 1) == kDigitZero;
            const auto index = static_cast<std::size_t>(first - kDigitZero);
            return system ? Code(first, index, words::kSystemActions.size(),
                                 words::kSystemActions.data())
                          : Code(first, index, words::kOutputActions.size(),
                                 words::kOutputActions.data());
        }
        case Kind::TimeByte:
            return std::to_string((first & 0x7F) - kTimeBias) + " s, " +
                   ((first & kConfirmBit) ? words::kYes : words::kNo);
        case Kind::Flags:
            return Flags(first);
        case Kind::OutputDefaults:
            return std::string("RELE1 ") + (first & kOutputBitRele1 ? "1" : "0") + ", RELE2 " +
                   (first & kOutputBitRele2 ? "1" : "0") + ", BYPASS " +
                   (first & kOutputBitBypass ? "1" : "0") + " (" + Hex(first) + ")";
        case Kind::Reserved:
            break;
    }
    std::string text;
    for (std::size_t i = field.offset; i < field.offset + field.size; ++i) {
        text += (text.empty() ? "" : " ") + Hex(image[i]);
    }
    return text;
}

std::vector<MemoryField> DifferingFields(const ConfigBuffer& a, const ConfigBuffer& b) {
    std::vector<MemoryField> differing;
    for (const MemoryField& field : MemoryFields()) {
        const auto begin = static_cast<std::ptrdiff_t>(field.offset);
        const auto end = begin + static_cast<std::ptrdiff_t>(field.size);
        if (!std::equal(a.begin() + begin, a.begin() + end, b.begin() + begin)) {
            differing.push_back(field);
        }
    }
    return differing;
}

}  // namespace kdx
