#include "cli/WriteSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <utility>

namespace kdx {
namespace {

constexpr std::array kSignals = {SIGINT, SIGTERM};
// The handler writes a byte into the pipe's end 1; the event loop reads end 0.
int signalPipe[2] = {-1, -1};
std::array<struct sigaction, kSignals.size()> previous{};

// Only what is safe in a handler: one byte into the pipe, errno as it was.
extern "C" void NoteSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

WriteSignals::WriteSignals(QTextStream& err, std::function<void()> endNow)
    : err_(err), endNow_(std::move(endNow)) {
    // Without a pipe the signals end the program as they always did.
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Take(); });
    struct sigaction action {};
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], nullptr, &previous[i]);
        // A signal the program was started to ignore (a background job's SIGINT) stays ignored.
        if (previous[i].sa_handler != SIG_IGN) ::sigaction(kSignals[i], &action, nullptr);
    }
}

WriteSignals::~WriteSignals() {
    if (!notifier_) return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &previous[i], nullptr);
    notifier_.reset();
    for (int& end : signalPipe) {
        ::close(end);
        end = -1;
    }
}

bool WriteSignals::Caught() {
    if (notifier_) Take();  // one that came after the event loop's last turn counts too
    return caught_ > 0;
}

void WriteSignals::Take() {
    char bytes[16];
    ssize_t count = 0;
    while ((count = ::read(signalPipe[0], bytes, sizeof bytes)) > 0) Count(static_cast<int>(count));
}

}  // namespace kdx
