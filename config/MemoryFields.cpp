#include "config/MemoryFields.h"

#include <algorithm>
#include <cstdio>

#include "config/Codec.h"

namespace kdx {
namespace {

using namespace layout;
using Kind = MemoryField::Kind;

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

// The byte of a command row's output or action code.
std::uint8_t CodeOf(const ConfigBuffer& image, Kind kind, std::size_t row) {
    const auto field = std::ranges::find_if(
        MemoryFields(), [&](const MemoryField& f) { return f.kind == kind && f.index == row; });
    return image.at(field->offset);
}

}  // namespace

std::pair<std::string, std::string> RecordWords(const ConfigBuffer& image, std::size_t row) {
    const std::uint8_t outputCode = CodeOf(image, Kind::OutputCode, row);
    const std::uint8_t actionCode = CodeOf(image, Kind::ActionCode, row);
    const char* output = OutputWord(outputCode);
    const char* action = StoredActionWord(outputCode, actionCode);
    return {output ? output : "?" + Hex(outputCode), action ? action : "?" + Hex(actionCode)};
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
            auto [output, action] = RecordWords(image, field.index);
            if (words) {
                output = words->commandTable[field.index].output;
                action = words->commandTable[field.index].action;
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
