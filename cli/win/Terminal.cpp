#include <io.h>

#include <cstdio>

#include "cli/Terminal.h"

namespace kdx {

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

}  // namespace kdx
