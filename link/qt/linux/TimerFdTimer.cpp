#include "link/qt/linux/TimerFdTimer.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <cstdint>

namespace kdx {

TimerFdTimer::TimerFdTimer(QObject* parent) : TickTimer(parent) {
    fd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd_ >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &TimerFdTimer::Expired);
        return;
    }
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &TimerFdTimer::Expired);
}

TimerFdTimer::~TimerFdTimer() {
    notifier_.reset();
    if (fd_ >= 0) ::close(fd_);
}

void TimerFdTimer::SetInterval(std::chrono::microseconds interval) {
    interval_ = std::max(interval, std::chrono::microseconds{1});
    if (fd_ < 0) timer_.setInterval(std::chrono::ceil<std::chrono::milliseconds>(interval_));
}

void TimerFdTimer::On() {
    on_ = true;
    if (fd_ < 0) return timer_.start();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(interval_);
    const timespec every{static_cast<time_t>(seconds.count()),
                         static_cast<long>((interval_ - seconds).count() * 1000)};
    const itimerspec period{every, every};  // periodic, like a QTimer, from now
    ::timerfd_settime(fd_, 0, &period, nullptr);
}

void TimerFdTimer::Off() {
    on_ = false;
    if (fd_ < 0) return timer_.stop();
    const itimerspec stop{};
    ::timerfd_settime(fd_, 0, &stop, nullptr);
}

void TimerFdTimer::Expired() {
    if (fd_ >= 0) {
        std::uint64_t expirations = 0;
        // Read even when switched off meanwhile, so the notifier does not fire again at once.
        if (::read(fd_, &expirations, sizeof expirations) != sizeof expirations) return;
    }
    if (on_) emit Tick();
}

}  // namespace kdx
