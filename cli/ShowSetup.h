#pragma once

#include <QString>

#include "config/SetupModel.h"

namespace kdx {

// The setup as the window shows it, in plain text tables with the window's titles.
QString ShowSetup(const SetupModel& setup);

}  // namespace kdx
