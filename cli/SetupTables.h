#pragma once

#include <QString>

#include "config/SetupModel.h"

namespace kdx {

// The setup in plain text tables with the window's titles, for kdx17 show. A command row whose
// action is not one of its output's carries a note at its end.
QString SetupAsTables(const SetupModel& setup);

// The text with every control character as a visible escape ("\x1b"): a file's text must not
// drive the terminal it is shown on.
QString Visible(const QString& text);

}  // namespace kdx
