#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "config/Layout.h"

namespace kdx {

// The field's bytes in `image` as a person reads them ("RELE1", "\"*22#\"", "CALL SMS", ...).
// A command row's output and action come from `words` where given (the setup as a .json file
// words it), else from the codes; an action that its output's table lacks carries a note.
std::string DescribeField(const MemoryField& field, const ConfigBuffer& image,
                          const SetupModel* words = nullptr);

// A command record's output and action as stored: the tables' words, or "?0x.." for a code
// outside them.
std::pair<std::string, std::string> RecordWords(const ConfigBuffer& image, std::size_t row);

// A note for a row whose action is not one of its output's, or "".
std::string ActionNote(const std::string& output, const std::string& action);

// The fields in which two images differ (both must hold at least the memory's size).
std::vector<MemoryField> DifferingFields(const ConfigBuffer& a, const ConfigBuffer& b);

}  // namespace kdx
