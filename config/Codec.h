#pragma once

#include <cstddef>
#include <optional>

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

}  // namespace kdx
