#pragma once

#include <QObject>

#include "link/Interfaces.h"

namespace kdx {

// The transfer timer as the event loop drives it: one Tick per interval while on.
class TickTimer : public QObject, public TransferTimer {
    Q_OBJECT
  public:
    using QObject::QObject;

  signals:
    void Tick();
};

}  // namespace kdx
