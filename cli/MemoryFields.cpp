#include "cli/MemoryFields.h"

#include <algorithm>
#include <cstdio>

#include "config/Codec.h"
#include "files/SetupJson.h"

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
    for (std::size_t k = 0; k < kMessageTexts; ++k) {
        add(std::string("texts.") + keys::kTexts[k], kTextOffset + kTextWidth * k, kTextWidth,
            Kind::Text);
    }
    return fields;
}

std::string Hex(std::uint8_t byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

std::string Flags(std::uint8_t byte) {
    std::string text;
    for (int cell = 1; cell < kPhoneCells; ++cell) {
        if (!(byte & kCellMask[cell])) continue;
        if (!text.empty()) text += " ";
        text += cell == kBit4Cell ? "bit4" : titles::kPhoneTitles[cell + 1];
    }
    return text.empty() ? "-" : text;
}

std::size_t RowOf(const MemoryField& field) { return (field.offset - kRecordOffset) / kRecordSize; }

}  // namespace

const std::vector<MemoryField>& MemoryFields() {
    static const std::vector<MemoryField> fields = BuildFields();
    return fields;
}

std::pair<std::string, std::string> RecordWords(const ConfigBuffer& image, std::size_t row) {
    const std::uint8_t* record = &image.at(kRecordOffset + kRecordSize * row);
    const char* output = OutputWord(record[0]);
    const char* action = StoredActionWord(record[0], record[1]);
    return {output ? output : "?" + Hex(record[0]), action ? action : "?" + Hex(record[1])};
}

std::string ActionNote(const std::string& output, const std::string& action) {
    if (ActionFitsOutput(output, action)) return "";
    return "tabulka modulu nemá tuto akci pro " + output;
}

std::string DescribeField(const MemoryField& field, const ConfigBuffer& image,
                          const SetupModel* words) {
    const std::uint8_t first = image.at(field.offset);
    switch (field.kind) {
        case Kind::Text:
            return "\"" + ReadTextField(image, field.offset, field.size) + "\"";
        case Kind::Number:
            return std::to_string(first);
        case Kind::CreditSwitch:
            return first == kCreditKeepAliveOn ? "true" : "false (" + Hex(first) + ")";
        case Kind::OutputCode:
        case Kind::ActionCode: {
            const std::size_t row = RowOf(field);
            auto [output, action] = RecordWords(image, row);
            if (words) {
                output = words->commandTable[row].output;
                action = words->commandTable[row].action;
            }
            if (field.kind == Kind::OutputCode) return output;
            const std::string note = ActionNote(output, action);
            return note.empty() ? action : action + " (" + note + ")";
        }
        case Kind::TimeByte:
            return std::to_string(TimeOf(first)) + " s, " + ConfirmOf(first);
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
