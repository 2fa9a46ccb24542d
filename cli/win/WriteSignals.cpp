#include "cli/WriteSignals.h"

#include <windows.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <atomic>
#include <utility>

namespace kdx {
namespace {

// Ctrl+C and Ctrl+Break noted by the console's handler thread, taken on the event loop's.
std::atomic<int> pending{0};
WriteSignals* current = nullptr;

BOOL WINAPI NoteCtrl(DWORD type) {
    // Closing the console, logging off, shutting down: those end the program regardless.
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    ++pending;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [] {
            if (current) current->Caught();
        },
        Qt::QueuedConnection);
    return TRUE;
}

}  // namespace

WriteSignals::WriteSignals(QTextStream& err, std::function<void()> endNow)
    : err_(err), endNow_(std::move(endNow)) {
    pending = 0;
    current = this;
    SetConsoleCtrlHandler(NoteCtrl, TRUE);
}

WriteSignals::~WriteSignals() {
    SetConsoleCtrlHandler(NoteCtrl, FALSE);
    current = nullptr;
}

bool WriteSignals::Caught() {
    Take();
    return caught_ > 0;
}

void WriteSignals::Take() { Count(pending.exchange(0)); }

}  // namespace kdx
