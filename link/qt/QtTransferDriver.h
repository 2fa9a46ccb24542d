#pragma once

#include <QObject>

#include "link/TransferEngine.h"
#include "link/qt/QtSerialPort.h"
#include "link/qt/QtTransferTimer.h"

namespace kdx {

// Connects the engine to its Qt port and timer: ticks run steps, and arriving bytes let the
// step that awaits them run early. Destroying the driver disconnects them.
class QtTransferDriver : public QObject {
    Q_OBJECT
  public:
    QtTransferDriver(TransferEngine& engine, QtSerialPort& comm, QtTransferTimer& timer,
                     QObject* parent = nullptr);
};

}  // namespace kdx
