#pragma once

#include <QSocketNotifier>
#include <QTimer>
#include <memory>

#include "link/qt/TickTimer.h"

namespace kdx {

// The transfer timer on a timerfd, precise to the microsecond, watched by the event loop: its
// windows are fractions of a millisecond (a byte takes 521 us on the line). Should the system
// refuse a timerfd, a precise QTimer stands in, counting whole milliseconds rounded up so that a
// window never ends before its time.
class TimerFdTimer : public TickTimer {
    Q_OBJECT
  public:
    explicit TimerFdTimer(QObject* parent = nullptr);
    ~TimerFdTimer() override;

    void SetInterval(std::chrono::microseconds interval) override;
    void On() override;
    void Off() override;

  private:
    void Expired();

    std::chrono::microseconds interval_{1000};
    bool on_ = false;
    int fd_ = -1;  // the timerfd, or -1 where QTimer stands in
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer timer_;
};

}  // namespace kdx
