#pragma once

#include <QObject>
#include <QSerialPort>
#include <QString>
#include <functional>
#include <utility>

#include "link/Interfaces.h"

namespace kdx {

// Why a port could not be opened.
enum class PortProblem { kNone, kNoDevice, kNoPermission, kInUse };

using PortHandle = decltype(std::declval<QSerialPort&>().handle());  // a descriptor, a HANDLE

// Asks the driver of an open port to hand received bytes over as soon as they come: on Linux a
// serial port's low-latency mode, in which common USB converters deliver after about 1 ms instead
// of holding bytes up to their 16 ms latency timer. True when granted.
bool RequestLowLatency(PortHandle handle);

// The serial line over QSerialPort at the module's fixed settings: 19200 baud, 8 data bits, no
// parity, 1 stop bit, no flow control.
class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
  public:
    using LowLatencyRequest = std::function<bool(PortHandle)>;
    explicit QtSerialPort(QObject* parent = nullptr,
                          LowLatencyRequest requestLowLatency = RequestLowLatency);

    // Opens the device by name (e.g. "COM1", "/dev/ttyS0"), closing any port open before;
    // false when it is missing, busy or refuses the settings, and then `problem` says why.
    bool Open(const QString& deviceName, PortProblem* problem = nullptr);
    void Close();
    bool IsOpen() const { return port_.isOpen(); }
    // Whether the open port delivers in low-latency mode. A line that refuses it (a
    // pseudo-terminal) works all the same, only slower behind a converter.
    bool LowLatency() const { return lowLatency_; }
    // Switches RTS. A line without modem lines (a pseudo-terminal) refuses; that is no error
    // for the transfers, which never look at RTS.
    bool SetRts(bool on);

    bool Output(std::uint8_t byte) override;
    std::optional<Bytes> Input() override;
    std::size_t Waiting() override;

  signals:
    // New bytes have come in (the engine's early steps hang on this).
    void BytesArrived();

  private:
    // A port whose line has gone is closed, so that the transfers fail instead of waiting.
    void CloseIfGone();

    QSerialPort port_;
    LowLatencyRequest requestLowLatency_;
    bool lowLatency_ = false;
};

}  // namespace kdx
