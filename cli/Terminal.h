#pragma once

namespace kdx {

// Whether standard error is a terminal, where a progress bar may redraw itself in place.
bool StderrIsTerminal();

}  // namespace kdx
