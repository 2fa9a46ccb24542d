#include "cli/win/Terminal.h"

#include <windows.h>

namespace kdx {
namespace {

constinit bool relayedToConsole = false;

}  // namespace

void NoteStderrRelayedToConsole() { relayedToConsole = true; }

// A console, not any character device: NUL is one too, and a bar drawn there is only a write
// per byte.
bool StderrIsTerminal() {
    DWORD mode = 0;
    return relayedToConsole || GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode);
}

}  // namespace kdx
