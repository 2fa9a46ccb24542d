#include "link/qt/QtTransferTimer.h"

#include <QSocketNotifier>

#ifdef Q_OS_LINUX
#include <sys/timerfd.h>
#include <unistd.h>

#include <cstdint>
#endif

namespace kdx {

QtTransferTimer::QtTransferTimer(QObject* parent) : QObject(parent) {
#ifdef Q_OS_LINUX
    fd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd_ >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &QtTransferTimer::Expired);
        return;
    }
#endif
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &QtTransferTimer::Expired);
}

QtTransferTimer::~QtTransferTimer() {
    notifier_.reset();
#ifdef Q_OS_LINUX
    if (fd_ >= 0) ::close(fd_);
#endif
}

void QtTransferTimer::SetInterval(std::chrono::microseconds interval) {
    interval_ = std::max(interval, std::chrono::microseconds{1});
    if (fd_ < 0) timer_.setInterval(std::chrono::ceil<std::chrono::milliseconds>(interval_));
}

void QtTransferTimer::On() {
    on_ = true;
#ifdef Q_OS_LINUX
    if (fd_ >= 0) {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(interval_);
        const timespec every{static_cast<time_t>(seconds.count()),
                             static_cast<long>((interval_ - seconds).count() * 1000)};
        const itimerspec period{every, every};  // periodic, like a QTimer, from now
        ::timerfd_settime(fd_, 0, &period, nullptr);
        return;
    }
#endif
    timer_.start();
}

void QtTransferTimer::Off() {
    on_ = false;
#ifdef Q_OS_LINUX
    if (fd_ >= 0) {
        const itimerspec stop{};
        ::timerfd_settime(fd_, 0, &stop, nullptr);
        return;
    }
#endif
    timer_.stop();
}

void QtTransferTimer::Expired() {
#ifdef Q_OS_LINUX
    if (fd_ >= 0) {
        std::uint64_t expirations = 0;
        // Read even when switched off meanwhile, so the notifier does not fire again at once.
        if (::read(fd_, &expirations, sizeof expirations) != sizeof expirations) return;
    }
#endif
    if (on_) emit Tick();
}

}  // namespace kdx
