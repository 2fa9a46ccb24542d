#pragma once

#include <QString>

#include "config/SetupModel.h"
#include "files/Visible.h"  // for the callers that quote a file

namespace kdx {

// The setup in plain text tables with the window's titles, for kdx17 show. A command row whose
// action is not one of its output's carries a note at its end.
QString SetupAsTables(const SetupModel& setup);

}  // namespace kdx
