#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "link/TransferEngine.h"
#include "link/qt/Platform.h"

namespace kdx {

// What a link drives: the platform's own, unless a test brings others.
struct LinkParts {
    std::unique_ptr<SerialDevice> port = MakeSerialDevice();
    std::unique_ptr<TickTimer> timer = MakeTransferTimer();
    Clock* clock = &SteadyClock();
};

// The link to a module: a serial port, the transfer timer and the engine they drive, wired
// together. The window's state, kdx17, the benchmark and the tests all talk to a module through
// one.
class Link : public QObject {
    Q_OBJECT
  public:
    using Outcome = TransferEngine::Outcome;
    // Sees every byte on the wire: sent by the PC (or not, when the line refused it), or
    // received from the module.
    enum class Direction { kSent, kUnsent, kReceived };
    using Tap = std::function<void(Direction, std::uint8_t)>;

    using Parts = LinkParts;

    Link(MessageLog& log, ProgressDisplay& bar, TransferTiming timing = {}, Parts parts = {},
         QObject* parent = nullptr);

    // Opens the device at the module's settings, closing the port open before (also the same
    // one); kNone when it is open.
    PortProblem Open(const QString& device);
    void Close() { port_->Close(); }
    bool IsOpen() const { return port_->IsOpen(); }

    TransferEngine& Engine() { return engine_; }
    const TransferEngine& Engine() const { return engine_; }
    void SetTap(Tap tap) { tapped_.tap = std::move(tap); }

    // Starts a procedure with one of the engine's start requests and runs the event loop until
    // it has ended; for callers without an event loop of their own. A link busy with another
    // procedure refuses: the outcome then says kBusy, and the running procedure goes on.
    Outcome Run(const std::function<bool(TransferEngine&)>& start);

  signals:
    // Every procedure's end, once, after its log lines.
    void Finished(const kdx::TransferEngine::Outcome& outcome);
    // The open port's line has gone and the port has closed.
    void LineGone();

  private:
    struct TappedPort : SerialPort {
        explicit TappedPort(SerialPort& port) : port(port) {}
        bool Output(std::uint8_t byte) override;
        std::optional<Bytes> Input() override;
        std::size_t Waiting() override { return port.Waiting(); }

        SerialPort& port;
        Tap tap;
    };

    std::unique_ptr<SerialDevice> port_;
    std::unique_ptr<TickTimer> timer_;
    TappedPort tapped_{*port_};
    TransferEngine engine_;
};

}  // namespace kdx
