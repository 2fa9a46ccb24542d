#pragma once

#include <windows.h>

#include <QTimer>

#include "link/qt/TickTimer.h"

namespace kdx {

// The transfer timer on a waitable timer, high-resolution where the system has one (Windows 10
// 1803 and later). Its expiry is an APC to the thread that armed it, run within the alertable
// wait of that thread's event loop: no pool thread wakes to post a notice to the loop, a round
// trip that made ticks come several milliseconds late under wine. A tick never comes before its
// time on the steady clock that the engine measures with (a late tick only makes a window
// longer, never shorter), and the last millisecond of a wait is spun out on that clock, since
// the system's timers may come that much late, which a read pays at every byte.
class WinTickTimer : public TickTimer {
    Q_OBJECT
  public:
    explicit WinTickTimer(QObject* parent = nullptr);
    ~WinTickTimer() override;

    void SetInterval(std::chrono::microseconds interval) override;
    void On() override;
    void Off() override;

  private:
    static void CALLBACK Expiry(void* self, DWORD low, DWORD high);
    void Arm(std::chrono::microseconds delay);
    void Expired();

    HANDLE timer_ = nullptr;
    bool highResolution_ = false;
    std::chrono::microseconds interval_{1000};
    std::chrono::microseconds due_{0};  // on the steady clock
    bool on_ = false;
    unsigned arms_ = 0;
    // A window's move or size loop, and other loops of the system's own, wait without letting
    // APCs in; Qt's timers still run there, and this one lets the queued APCs run.
    QTimer modalLoops_;
};

}  // namespace kdx
