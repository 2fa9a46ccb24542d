#pragma once

#include "cli/Terminal.h"

namespace kdx {

// kdx17's console relay puts a pipe where standard error was a console, and says so here: the
// progress bar still redraws itself in place there.
void NoteStderrRelayedToConsole();

}  // namespace kdx
