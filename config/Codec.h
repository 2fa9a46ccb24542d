#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "config/Layout.h"
#include "config/SetupModel.h"

namespace kdx {

// The setup as the module stores it: always exactly layout::kBufferSize bytes. Values that do
// not fit are bounded: texts cut to their field, SYS to 0..255, times to -32..95.
ConfigBuffer EncodeSetup(const SetupModel& setup);

// Why a buffer cannot be decoded, or nothing when it can.
struct DecodeProblem {
    enum class Kind { TooShort, NotADigit } kind;
    std::size_t offset;  // TooShort: the buffer's size; NotADigit: the offending byte's offset
};
std::optional<DecodeProblem> CheckBuffer(const ConfigBuffer& buffer);

// Checks the whole buffer first; when it cannot be decoded the setup is left exactly as it was
// and false is returned. Otherwise the setup is overwritten field by field (cells that a digit
// outside the code tables names keep their values) and true is returned. Bytes past the memory's
// size are ignored.
bool DecodeBuffer(const ConfigBuffer& buffer, SetupModel& setup);

// The setup an image stands for, from the start setup, or nothing when it does not decode. As
// DecodeBuffer, but an action code that only the other table has keeps its word (a relay row's 4
// is STATUS), so a .json made from it holds what the image holds.
std::optional<SetupModel> StoredSetup(const ConfigBuffer& image);

// The pieces the decoder reads, for whoever shows a memory image field by field.

// A text field: its bytes but every 0xFF, wherever it stands, as UTF-8. The buffer must hold it.
std::string ReadTextField(const ConfigBuffer& buffer, std::size_t offset, std::size_t width);
// A command record's time byte: the low seven bits minus 32 (-32 to 95), and the confirm bit.
int TimeOf(std::uint8_t timeByte);
const char* ConfirmOf(std::uint8_t timeByte);  // "ANO" or "NE"
// The word an output code stands for, or nullptr for a code outside the table.
const char* OutputWord(std::uint8_t outputCode);
// The word an action code stands for in the table of the record's output, or nullptr.
const char* ActionWord(std::uint8_t outputCode, std::uint8_t actionCode);
// As ActionWord, but a code that only the other table has still names its word, as the encoder
// stores it (a relay row's code 4 is STATUS); for saying what a record holds, not for decoding.
const char* StoredActionWord(std::uint8_t outputCode, std::uint8_t actionCode);

}  // namespace kdx
