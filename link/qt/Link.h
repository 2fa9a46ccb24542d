#pragma once

#include <QObject>
#include <functional>

#include "link/TransferEngine.h"
#include "link/qt/QtSerialPort.h"
#include "link/qt/QtTransferTimer.h"

namespace kdx {

// The link to a module: the serial port, the transfer timer and the engine they drive, wired
// together. The window, kdx17, the benchmark and the tests all talk to a module through one.
class Link : public QObject {
    Q_OBJECT
  public:
    using Outcome = TransferEngine::Outcome;
    // Sees every byte on the wire: sent by the PC (or not, when the line refused it), or
    // received from the module.
    enum class Direction { kSent, kUnsent, kReceived };
    using Tap = std::function<void(Direction, std::uint8_t)>;

    Link(MessageLog& log, ProgressDisplay& bar, TransferTiming timing = {},
         QObject* parent = nullptr);

    QtSerialPort& Port() { return comm_; }
    QtTransferTimer& Timer() { return timer_; }
    TransferEngine& Engine() { return engine_; }
    void SetTap(Tap tap) { tapped_.tap = std::move(tap); }

    // Starts a procedure (one of the engine's start requests) and runs the event loop until
    // it has ended; for callers without an event loop of their own.
    Outcome Run(const std::function<void(TransferEngine&)>& start);

  signals:
    // Every procedure's end, once, after its log lines.
    void Finished(const kdx::TransferEngine::Outcome& outcome);

  private:
    struct TappedPort : SerialPort {
        explicit TappedPort(SerialPort& port) : port(port) {}
        bool Output(std::uint8_t byte) override;
        std::optional<Bytes> Input() override;
        std::size_t Waiting() override { return port.Waiting(); }

        SerialPort& port;
        Tap tap;
    };

    QtSerialPort comm_;
    QtTransferTimer timer_;
    TappedPort tapped_{comm_};
    TransferEngine engine_;
};

}  // namespace kdx
