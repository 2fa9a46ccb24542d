#include "link/qt/Link.h"

#include <QEventLoop>

namespace kdx {

Link::Link(MessageLog& log, ProgressDisplay& bar, TransferTiming timing, Parts parts,
           QObject* parent)
    : QObject(parent),
      port_(std::move(parts.port)),
      timer_(std::move(parts.timer)),
      engine_(tapped_, *timer_, log, bar, timing, *parts.clock) {
    engine_.SetFinishedHook([this](const Outcome& outcome) { emit Finished(outcome); });
    // Ticks run steps, and arriving bytes let the step that awaits them run early.
    connect(timer_.get(), &TickTimer::Tick, this, [this] { engine_.OnTransferTimer(); });
    connect(port_.get(), &SerialDevice::BytesArrived, this, [this] { engine_.OnBytesArrived(); });
    connect(port_.get(), &SerialDevice::LineGone, this, &Link::LineGone);
}

PortProblem Link::Open(const QString& device) {
    if (device.isEmpty()) return PortProblem::kNoDevice;
    return port_->Open(device);
}

Link::Outcome Link::Run(const std::function<bool(TransferEngine&)>& start) {
    std::optional<Outcome> outcome;
    const auto taken =
        connect(this, &Link::Finished, this, [&](const Outcome& ended) { outcome = ended; });
    if (start(engine_) && !outcome) {
        QEventLoop loop;
        connect(this, &Link::Finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    disconnect(taken);
    return outcome.value_or(Outcome{TransferEngine::kNoMode, TransferEngine::Failure::kBusy, {}});
}

bool Link::TappedPort::Output(std::uint8_t byte) {
    const bool sent = port.Output(byte);
    if (tap) tap(sent ? Direction::kSent : Direction::kUnsent, byte);
    return sent;
}

std::optional<Bytes> Link::TappedPort::Input() {
    auto bytes = port.Input();
    if (bytes && tap) {
        for (std::uint8_t byte : *bytes) tap(Direction::kReceived, byte);
    }
    return bytes;
}

}  // namespace kdx
