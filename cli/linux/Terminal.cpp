#include <unistd.h>

#include "cli/Terminal.h"

namespace kdx {

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace kdx
