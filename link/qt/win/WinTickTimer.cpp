#include "link/qt/win/WinTickTimer.h"

#include <timeapi.h>

#include <algorithm>
#include <unordered_set>

namespace kdx {
namespace {

// CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, which MinGW's headers do not have yet.
constexpr DWORD kHighResolution = 0x2;

// How often the queued APCs are let in while a loop of the system's own holds the thread.
constexpr std::chrono::milliseconds kModalLoopPeriod{10};

// The most of a wait spun out on the clock rather than left to the system's timer.
constexpr std::chrono::microseconds kSpinLimit{1000};

// Runs the APCs queued to this thread, the expiries and the port's reads among them.
void RunQueuedApcs() { SleepEx(0, TRUE); }

// The timers of this thread. Cancelling a timer does not take back an expiry's APC that is
// queued already, so an APC calls only a timer that is still there.
std::unordered_set<const void*>& Live() {
    thread_local std::unordered_set<const void*> timers;
    return timers;
}

void CALLBACK Nothing(void*, DWORD, DWORD) {}

// Whether the timer may be set with a completion routine, tried an hour ahead and cancelled: a
// timer that refused one would never tick.
bool TakesCompletionRoutines(HANDLE timer) {
    LARGE_INTEGER dueTime;
    dueTime.QuadPart = -36'000'000'000LL;
    const bool set = SetWaitableTimer(timer, &dueTime, 0, &Nothing, nullptr, FALSE);
    CancelWaitableTimer(timer);
    return set;
}

}  // namespace

WinTickTimer::WinTickTimer(QObject* parent) : TickTimer(parent) {
    timer_ = CreateWaitableTimerExW(nullptr, nullptr, kHighResolution, TIMER_ALL_ACCESS);
    if (timer_ && !TakesCompletionRoutines(timer_)) {
        CloseHandle(timer_);
        timer_ = nullptr;
    }
    highResolution_ = timer_ != nullptr;
    if (!highResolution_) {
        timer_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
        // A plain waitable timer expires only at the system's timer interrupts, 15.6 ms apart
        // unless raised to 1 ms.
        timeBeginPeriod(1);
    }
    Live().insert(this);
    modalLoops_.setInterval(kModalLoopPeriod);
    connect(&modalLoops_, &QTimer::timeout, this, [this] {
        RunQueuedApcs();
        if (!on_) modalLoops_.stop();
    });
}

WinTickTimer::~WinTickTimer() {
    Off();
    Live().erase(this);
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
    // Started once, not at every step: each start is a call into the system, and under wine a
    // round trip to its server.
    if (!modalLoops_.isActive()) modalLoops_.start();
}

void WinTickTimer::Off() {
    on_ = false;
    CancelWaitableTimer(timer_);
}

void WinTickTimer::Arm(std::chrono::microseconds delay) {
    ++arms_;
    // The system's timers come up to a millisecond late (under wine always): the timer is set
    // to come that much early, and the rest is spun out on the clock.
    const std::chrono::microseconds early = delay > kSpinLimit ? delay - kSpinLimit : delay;
    LARGE_INTEGER dueTime;
    dueTime.QuadPart = -10 * early.count();  // relative, in 100 ns units
    SetWaitableTimer(timer_, &dueTime, 0, &WinTickTimer::Expiry, this, FALSE);
}

void CALLBACK WinTickTimer::Expiry(void* self, DWORD, DWORD) {
    if (Live().contains(self)) static_cast<WinTickTimer*>(self)->Expired();
}

void WinTickTimer::Expired() {
    if (!on_) return;
    // An expiry of an earlier arming, or one the system's clock let come early, waits out the
    // rest of the interval.
    std::chrono::microseconds now = SteadyClock().Now();
    if (now + kSpinLimit < due_) return Arm(due_ - now);
    while (now < due_) {
        YieldProcessor();
        now = SteadyClock().Now();
    }
    due_ = now + interval_;
    // The engine arms the timer anew at almost every tick; armed once, not twice.
    const unsigned arms = arms_;
    emit Tick();
    if (on_ && arms_ == arms) Arm(interval_);
}

}  // namespace kdx
