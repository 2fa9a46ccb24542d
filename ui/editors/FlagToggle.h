#pragma once

#include <string>

namespace kdx {

// A double-click on a phone list flag: "" sets it ("0"), "0" clears it, any other text stays.
std::string ToggledFlag(const std::string& cell);

}  // namespace kdx
