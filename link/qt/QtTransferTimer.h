#pragma once

#include <QObject>
#include <QTimer>
#include <memory>

#include "link/Interfaces.h"

class QSocketNotifier;

namespace kdx {

// The transfer timer. Its windows are fractions of a millisecond (a byte takes 521 us on the
// line), so on Linux it runs on a timerfd, precise to the microsecond, watched by the event
// loop; elsewhere on a precise QTimer, which counts whole milliseconds and rounds up, so that a
// window never ends before its time.
class QtTransferTimer : public QObject, public TransferTimer {
    Q_OBJECT
  public:
    explicit QtTransferTimer(QObject* parent = nullptr);
    ~QtTransferTimer() override;

    void SetInterval(std::chrono::microseconds interval) override;
    void On() override;
    void Off() override;
    bool IsOn() const { return on_; }

  signals:
    void Tick();

  private:
    void Expired();

    std::chrono::microseconds interval_{1000};
    bool on_ = false;
    int fd_ = -1;  // the timerfd, or -1 where QTimer stands in
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer timer_;
};

}  // namespace kdx
