#pragma once

#include <QSerialPort>
#include <functional>

#include "link/qt/SerialDevice.h"

namespace kdx {

using PortHandle = int;  // the open port's file descriptor

// Asks the driver of an open port to hand received bytes over as soon as they come: a serial
// port's low-latency mode, in which common USB converters deliver after about 1 ms instead of
// holding bytes up to their 16 ms latency timer. True when granted.
bool RequestLowLatency(PortHandle handle);

// The serial line over QSerialPort.
class QtSerialPort : public SerialDevice {
    Q_OBJECT
  public:
    using LowLatencyRequest = std::function<bool(PortHandle)>;
    explicit QtSerialPort(QObject* parent = nullptr,
                          LowLatencyRequest requestLowLatency = RequestLowLatency);

    PortProblem Open(const QString& device) override;
    void Close() override;
    bool IsOpen() const override { return port_.isOpen(); }
    // Whether the open port delivers in low-latency mode. A line that refuses it (a
    // pseudo-terminal) works all the same, only slower behind a converter.
    bool LowLatency() const { return lowLatency_; }

    bool Output(std::uint8_t byte) override;
    std::optional<Bytes> Input() override;
    std::size_t Waiting() override;

  private:
    // A port whose line has gone is closed, so that the transfers fail instead of waiting.
    void CloseIfGone();

    QSerialPort port_;
    LowLatencyRequest requestLowLatency_;
    bool lowLatency_ = false;
};

}  // namespace kdx
