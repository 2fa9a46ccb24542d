#pragma once

#include <windows.h>

#include <QWinEventNotifier>

#include "link/qt/TickTimer.h"

namespace kdx {

// The transfer timer on a waitable timer, high-resolution where the system has one (Windows 10
// 1803 and later), watched by the event loop. The timer is armed afresh for every tick and a
// tick never comes before its time on the steady clock that the engine measures with: a late
// tick only makes a window longer, never shorter.
class WinTickTimer : public TickTimer {
    Q_OBJECT
  public:
    explicit WinTickTimer(QObject* parent = nullptr);
    ~WinTickTimer() override;

    void SetInterval(std::chrono::microseconds interval) override;
    void On() override;
    void Off() override;

  private:
    void Arm(std::chrono::microseconds delay);
    void Expired();

    HANDLE timer_ = nullptr;
    bool highResolution_ = false;
    std::chrono::microseconds interval_{1000};
    std::chrono::microseconds due_{0};  // on the steady clock
    bool on_ = false;
    QWinEventNotifier notifier_;
};

}  // namespace kdx
