#pragma once

#include <QSerialPort>
#include <functional>
#include <optional>

#include "link/qt/SerialDevice.h"

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

// The serial line over QSerialPort.
class QtSerialPort : public SerialDevice {
    Q_OBJECT
  public:
    explicit QtSerialPort(QObject* parent = nullptr, SerialFlags flags = DriverFlags());
    ~QtSerialPort() override;

    PortProblem Open(const QString& device, Use use = Use::kTransfer) override;
    void Close() override;
    bool IsOpen() const override { return port_.isOpen(); }
    // Whether the open port delivers in low-latency mode: the driver hands received bytes over as
    // soon as they come, and common USB converters deliver after about 1 ms instead of holding
    // bytes up to their 16 ms latency timer. A line that refuses it (a pseudo-terminal) works
    // all the same, only slower behind a converter. Closing gives the port its flags back.
    bool LowLatency() const { return lowLatency_; }

    bool Output(std::uint8_t byte) override;
    std::optional<Bytes> Input() override;
    std::size_t Waiting() override;

  private:
    // A port whose line has gone is closed, so that the transfers fail instead of waiting.
    void CloseIfGone();

    QSerialPort port_;
    SerialFlags flags_;
    std::optional<int> foundFlags_;  // as the open port had them, to be given back
    bool lowLatency_ = false;
};

}  // namespace kdx
