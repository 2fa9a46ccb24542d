#include "link/qt/Link.h"

#include <QEventLoop>

namespace kdx {

Link::Link(MessageLog& log, ProgressDisplay& bar, TransferTiming timing, QObject* parent)
    : QObject(parent), engine_(tapped_, timer_, log, bar, timing) {
    engine_.SetFinishedHook([this](const Outcome& outcome) { emit Finished(outcome); });
    // Ticks run steps, and arriving bytes let the step that awaits them run early.
    connect(&timer_, &QtTransferTimer::Tick, this, [this] { engine_.OnTransferTimer(); });
    connect(&comm_, &QtSerialPort::BytesArrived, this, [this] { engine_.OnBytesArrived(); });
}

Link::Outcome Link::Run(const std::function<void(TransferEngine&)>& start) {
    Outcome outcome;
    bool ended = false;
    QEventLoop loop;  // the connection goes with it
    connect(this, &Link::Finished, &loop, [&](const Outcome& o) {
        outcome = o;
        ended = true;
        loop.quit();
    });
    start(engine_);
    if (!ended) loop.exec();
    return outcome;
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
