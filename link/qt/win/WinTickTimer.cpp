#include "link/qt/win/WinTickTimer.h"

#include <timeapi.h>

#include <algorithm>

namespace kdx {
namespace {

// CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, which MinGW's headers do not have yet.
constexpr DWORD kHighResolution = 0x2;

}  // namespace

WinTickTimer::WinTickTimer(QObject* parent) : TickTimer(parent) {
    // Synchronization (auto-reset) timers: the notifier's wait consumes each expiry.
    timer_ = CreateWaitableTimerExW(nullptr, nullptr, kHighResolution, TIMER_ALL_ACCESS);
    highResolution_ = timer_ != nullptr;
    if (!highResolution_) {
        timer_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
        // A plain waitable timer expires only at the system's timer interrupts, 15.6 ms apart
        // unless raised to 1 ms.
        timeBeginPeriod(1);
    }
    notifier_.setHandle(timer_);
    notifier_.setEnabled(true);
    connect(&notifier_, &QWinEventNotifier::activated, this, &WinTickTimer::Expired);
}

WinTickTimer::~WinTickTimer() {
    Off();
    notifier_.setEnabled(false);
    CloseHandle(timer_);
    if (!highResolution_) timeEndPeriod(1);
}

void WinTickTimer::SetInterval(std::chrono::microseconds interval) {
    interval_ = std::max(interval, std::chrono::microseconds{1});
}

void WinTickTimer::On() {
    on_ = true;
    due_ = SteadyClock().Now() + interval_;
    Arm(interval_);
}

void WinTickTimer::Off() {
    on_ = false;
    CancelWaitableTimer(timer_);
}

void WinTickTimer::Arm(std::chrono::microseconds delay) {
    LARGE_INTEGER dueTime;
    dueTime.QuadPart = -10 * delay.count();  // relative, in 100 ns units
    SetWaitableTimer(timer_, &dueTime, 0, nullptr, nullptr, FALSE);
}

void WinTickTimer::Expired() {
    if (!on_) return;
    // An expiry of an earlier arming, or one the system's clock let come a little early, waits
    // out the rest of the interval.
    const std::chrono::microseconds now = SteadyClock().Now();
    if (now < due_) return Arm(due_ - now);
    due_ = now + interval_;
    Arm(interval_);
    emit Tick();
}

}  // namespace kdx
