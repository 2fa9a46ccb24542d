// kdx17 writes UTF-8. A Windows console shows the bytes it is given in its own code page (852 in
// a Czech cmd.exe), and not every console honours a switch to UTF-8, so text bound for a console
// reaches it as wide characters instead; a file or a pipe gets the UTF-8 as it is.
//
// The standard output and error that are consoles are pointed at one pipe, in the order the
// program writes them, and a thread hands what comes through it to the console. At exit the pipe
// is closed and the thread writes out the rest before the program ends.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>

#include "cli/win/ConsoleText.h"
#include "cli/win/Terminal.h"

namespace {

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
}

class ConsoleRelay {
  public:
    ConsoleRelay() {
        const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
        const bool outToConsole = IsConsole(out);
        const bool errToConsole = IsConsole(err);
        if (!outToConsole && !errToConsole) return;
        // Pointing a descriptor elsewhere closes the handle it had: the console is kept in a
        // handle of its own.
        if (!DuplicateHandle(GetCurrentProcess(), outToConsole ? out : err, GetCurrentProcess(),
                             &console_, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
            return;
        }
        HANDLE readEnd = nullptr;
        HANDLE writeEnd = nullptr;
        if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) {
            Abandon();
            return;
        }
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(writeEnd), _O_TEXT | _O_WRONLY);
        if (fd < 0) {
            CloseHandle(readEnd);
            CloseHandle(writeEnd);
            Abandon();
            return;
        }
        std::fflush(stdout);
        std::fflush(stderr);
        if (outToConsole) redirected_[0] = _dup2(fd, _fileno(stdout)) == 0;
        if (errToConsole) redirected_[1] = _dup2(fd, _fileno(stderr)) == 0;
        if (redirected_[1]) kdx::NoteStderrRelayedToConsole();
        _close(fd);
        relay_ = std::thread([this, readEnd] {
            Relay(readEnd);
            CloseHandle(readEnd);
        });
    }

    ~ConsoleRelay() {
        if (!relay_.joinable()) return;
        // The pipe ends when the last descriptor on it closes; the thread then writes the rest.
        std::fflush(stdout);
        std::fflush(stderr);
        if (redirected_[0]) _close(_fileno(stdout));
        if (redirected_[1]) _close(_fileno(stderr));
        relay_.join();
        CloseHandle(console_);
    }

  private:
    void Abandon() {
        CloseHandle(console_);
        console_ = nullptr;
    }

    void Relay(HANDLE from) {
        kdx::ConsoleText text;
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(from, chunk, sizeof chunk, &got, nullptr) && got > 0) {
            Write(text.Take(std::string_view(chunk, got)));
        }
        Write(text.Finish());
    }

    void Write(const std::wstring& text) {
        std::size_t done = 0;
        while (done < text.size()) {
            DWORD written = 0;
            if (!WriteConsoleW(console_, text.data() + done, static_cast<DWORD>(text.size() - done),
                               &written, nullptr) ||
                written == 0) {
                return;
            }
            done += written;
        }
    }

    HANDLE console_ = nullptr;
    bool redirected_[2] = {false, false};
    std::thread relay_;
};

const ConsoleRelay relay;

}  // namespace
