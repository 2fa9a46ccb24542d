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

constexpr std::array kSignals = {SIGINT, SIGTERM, SIGQUIT, SIGHUP};
// The handler writes the signal's number into the pipe's end 1; the event loop reads end 0.
int signalPipe[2] = {-1, -1};

// Only what is safe in a handler: one byte into the pipe, errno as it was.
extern "C" void NoteSignal(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

struct WriteSignals::Platform {
    explicit Platform(WriteSignals& owner) : owner(owner) {}

    // The signals noted since the last call.
    void Take() {
        char bytes[16];
        ssize_t count = 0;
        while ((count = ::read(signalPipe[0], bytes, sizeof bytes)) > 0) {
            for (ssize_t i = 0; i < count; ++i) {
                owner.Note(bytes[i] == SIGHUP ? Kind::kHangUp : Kind::kStop);
            }
        }
    }

    WriteSignals& owner;
    std::unique_ptr<QSocketNotifier> notifier;
    std::array<struct sigaction, kSignals.size()> previous{};
    struct sigaction previousPipe {};
};

WriteSignals::WriteSignals(QTextStream& err, std::function<void()> endNow)
    : err_(err), endNow_(std::move(endNow)) {
    // Without a pipe the signals end the program as they always did.
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    platform_ = std::make_unique<Platform>(*this);
    platform_->notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(platform_->notifier.get(), &QSocketNotifier::activated,
                     [this] { platform_->Take(); });
    struct sigaction action {};
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], nullptr, &platform_->previous[i]);
        // A signal the program was started to ignore (a background job's SIGINT, nohup's
        // SIGHUP) stays ignored.
        if (platform_->previous[i].sa_handler != SIG_IGN)
            ::sigaction(kSignals[i], &action, nullptr);
    }
    // A reader of our output that has gone must not end the write; the write itself fails then.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, &platform_->previousPipe);
}

WriteSignals::~WriteSignals() {
    if (!platform_) return;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &platform_->previous[i], nullptr);
    }
    ::sigaction(SIGPIPE, &platform_->previousPipe, nullptr);
    platform_.reset();
    for (int& end : signalPipe) {
        ::close(end);
        end = -1;
    }
}

bool WriteSignals::Caught() {
    if (platform_) platform_->Take();  // one that came after the event loop's last turn too
    return caught_;
}

void SurviveClosedOutput() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
}

}  // namespace kdx
