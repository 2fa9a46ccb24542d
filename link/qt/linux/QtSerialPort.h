#pragma once

#include <QByteArray>
#include <QSocketNotifier>
#include <functional>
#include <memory>
#include <optional>

#include "link/qt/SerialDevice.h"
#include "link/qt/linux/DeviceLock.h"

namespace kdx {

using PortHandle = int;  // the open port's file descriptor

// A port's serial flags as its driver keeps them (ASYNC_LOW_LATENCY among them): get gives
// nothing for a line that has none (a pseudo-terminal), set says whether the driver took them.
// Tests bring a store of their own.
struct SerialFlags {
    std::function<std::optional<int>(PortHandle)> get;
    std::function<bool(PortHandle, int)> set;
};
SerialFlags DriverFlags();

// The serial line on a descriptor of our own, read through the event loop. Our own, not
// QSerialPort: that one locks by the name it is given, so two names of one device (a link in
// /dev/serial/by-id beside /dev/ttyUSB0) both opened, and a lock file left by root kept every
// other user out until a reboot. Here both locks are on the device itself (see DeviceLock).
class QtSerialPort : public SerialDevice {
    Q_OBJECT
  public:
    explicit QtSerialPort(QObject* parent = nullptr, SerialFlags flags = DriverFlags());
    ~QtSerialPort() override;

    PortProblem Open(const QString& device, Use use = Use::kTransfer) override;
    void Close() override;
    bool IsOpen() const override { return fd_ >= 0; }

    bool Output(std::uint8_t byte) override;
    std::optional<Bytes> Input() override;
    std::size_t Waiting() override;

  private:
    // Takes what the line has brought, announcing it when asked; a line that has gone is closed,
    // so that the transfers fail instead of waiting.
    void Receive(bool announce);
    PortProblem Configure(Use use);

    SerialFlags flags_;
    int fd_ = -1;
    DeviceLock lock_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QByteArray received_;
    std::optional<int> foundFlags_;  // as the open port had them, to be given back
    // The open port delivers in low-latency mode: common USB converters then hand bytes over after
    // about 1 ms instead of holding them up to their 16 ms latency timer. A line that refuses it
    // (a pseudo-terminal) works all the same. Closing gives the port its flags back.
    bool lowLatency_ = false;
};

}  // namespace kdx
