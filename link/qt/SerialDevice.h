#pragma once

#include <QObject>
#include <QString>

#include "link/Interfaces.h"
#include "link/PortProblem.h"

namespace kdx {

// A serial port the link can open and close: the engine's byte line plus the platform's device.
// Each platform has its own in whole files; MakeSerialDevice picks it.
class SerialDevice : public QObject, public SerialPort {
    Q_OBJECT
  public:
    using QObject::QObject;

    // Opens the device by name (e.g. "COM1", "/dev/ttyS0"), closing any port open before, at the
    // module's fixed settings: 19200 baud, 8 data bits, no parity, 1 stop bit, no flow control,
    // RTS on. A line without modem lines (a pseudo-terminal) refuses RTS; that is no error, the
    // transfers never look at RTS. A probe only tells whether the port opens: it leaves the
    // modem lines and the driver's settings alone. Either way the device is locked while open,
    // by whatever name it is given: another program or port (even root's) gets kInUse.
    enum class Use { kTransfer, kProbe };
    virtual PortProblem Open(const QString& device, Use use = Use::kTransfer) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

  signals:
    // New bytes have come in (the engine's early steps hang on this).
    void BytesArrived();
    // The open line has gone (the device unplugged, the other end hung up); the port has
    // closed itself, so the transfers fail instead of waiting.
    void LineGone();
};

}  // namespace kdx
