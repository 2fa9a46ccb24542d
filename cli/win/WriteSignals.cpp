#include "cli/WriteSignals.h"

#include <windows.h>

#include <QCoreApplication>
#include <atomic>
#include <utility>

// What Windows does not allow: it ends the program about 5 s after the console's close event,
// whatever the handler does, so a write that needs longer is cut all the same; and a console
// program that has loaded user32 (every Qt program) never gets the log-off and shut-down events.
namespace kdx {
namespace {

// Noted by the console's handler thread, taken on the event loop's.
std::atomic<int> pendingStops{0};
std::atomic<bool> pendingHangUp{false};
WriteSignals* current = nullptr;
// Set once the write is over: a closing console waits for it. Never closed: a handler thread
// may still be waiting on it when the write is long over.
HANDLE writeOver = nullptr;

void TakeOnEventLoop() {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [] {
            if (current) current->Caught();
        },
        Qt::QueuedConnection);
}

BOOL WINAPI NoteCtrl(DWORD type) {
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) {
        ++pendingStops;
        TakeOnEventLoop();
        return TRUE;
    }
    // The console is closing, or the user logging off: the program ends once this returns, so
    // it returns only when the write is over.
    pendingHangUp = true;
    TakeOnEventLoop();
    if (writeOver) WaitForSingleObject(writeOver, INFINITE);
    return TRUE;
}

}  // namespace

struct WriteSignals::Platform {};

WriteSignals::WriteSignals(QTextStream& err, std::function<void()> endNow)
    : err_(err), endNow_(std::move(endNow)) {
    pendingStops = 0;
    pendingHangUp = false;
    current = this;
    writeOver = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(NoteCtrl, TRUE);
}

WriteSignals::~WriteSignals() {
    current = nullptr;
    if (writeOver) SetEvent(writeOver);  // a closing console may end the program now
    SetConsoleCtrlHandler(NoteCtrl, FALSE);
}

bool WriteSignals::Caught() {
    if (pendingHangUp.exchange(false)) Note(Kind::kHangUp);
    for (int stops = pendingStops.exchange(0); stops > 0; --stops) Note(Kind::kStop);
    return caught_;
}

void SurviveClosedOutput() {}  // Windows has no signal for it: the write fails

}  // namespace kdx
