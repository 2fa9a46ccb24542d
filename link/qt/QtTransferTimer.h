#pragma once

#include <QObject>
#include <QTimer>

#include "link/Interfaces.h"

namespace kdx {

// The transfer timer over QTimer, precise to the millisecond (coarse timers may fire 5% early
// or late, which would blur the engine's windows).
class QtTransferTimer : public QObject, public TransferTimer {
    Q_OBJECT
  public:
    explicit QtTransferTimer(QObject* parent = nullptr);

    // Qt counts whole milliseconds: a shorter interval is rounded up, so a window never ends
    // before its time.
    void SetInterval(std::chrono::microseconds interval) override;
    void On() override { timer_.start(); }
    void Off() override { timer_.stop(); }
    bool IsOn() const { return timer_.isActive(); }

  signals:
    void Tick();

  private:
    QTimer timer_;
};

}  // namespace kdx
