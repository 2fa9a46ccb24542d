#include "ui/editors/FlagToggle.h"

#include "config/SetupModel.h"

namespace kdx {

std::string ToggledFlag(const std::string& cell) {
    if (cell.empty()) return words::kFlagSet;
    if (cell == words::kFlagSet) return {};
    return cell;
}

}  // namespace kdx
