#pragma once

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "config/Codec.h"
#include "link/LogMessages.h"
#include "sim/ModuleProtocol.h"
#include "state/Module10.h"

namespace kdx::test {

using std::chrono::microseconds;

inline constexpr microseconds kFast{1600};  // a fast module's answer time on a real line

class ManualClock : public Clock {
  public:
    microseconds Now() override { return now; }
    microseconds now{1000000};
};

// Remembers when it was switched on, so a test can jump straight to its tick.
class ManualTimer : public TickTimer {
  public:
    explicit ManualTimer(ManualClock& clock) : clock_(clock) {}
    void SetInterval(microseconds value) override { interval = value; }
    void On() override {
        on = true;
        deadline = clock_.now + interval;
    }
    void Off() override { on = false; }

    microseconds interval{0};
    microseconds deadline{0};
    bool on = false;

  private:
    ManualClock& clock_;
};

// A port whose received bytes the test puts in; what the PC sends may feed a module.
class FakePort : public SerialDevice {
  public:
    PortProblem Open(const QString&, Use = Use::kTransfer) override {
        open = true;
        return PortProblem::kNone;
    }
    void Close() override { open = false; }
    bool IsOpen() const override { return open; }
    bool Output(std::uint8_t byte) override {
        if (!open || !outputWorks) return false;
        sent.push_back(byte);
        if (module) module(byte);
        return true;
    }
    std::optional<Bytes> Input() override {
        if (!open) return std::nullopt;
        ++polls;
        return std::exchange(incoming, {});
    }
    std::size_t Waiting() override { return open ? incoming.size() : 0; }

    bool open = true;
    bool outputWorks = true;
    Bytes incoming;
    Bytes sent;
    int polls = 0;
    std::function<void(std::uint8_t)> module;
};

// What a window sees of the state: every log message, every progress value, every decoded setup
// shown, and every procedure's end.
struct Recorder {
    std::vector<std::string> lines;  // oldest first
    std::vector<int> progress;       // every value shown
    int decoded = 0;
    std::vector<TransferEngine::Outcome> outcomes;
};

// The program-wide state with a recording view attached; its link on the parts given.
struct StateRig {
    explicit StateRig(Link::Parts parts, TransferTiming timing = {})
        : state({}, timing, std::move(parts)) {
        QObject::connect(
            &state, &Module10::ProcedureEnded,
            [this](const Module10::Outcome& outcome) { log.outcomes.push_back(outcome); });
        QObject::connect(&state, &Module10::Logged,
                         [this](const QString& line) { log.lines.push_back(line.toStdString()); });
        QObject::connect(&state, &Module10::Progress,
                         [this](int value) { log.progress.push_back(value); });
        QObject::connect(&state.Document(), &SetupDocument::Changed, [this](int parts) {
            if (parts == SetupDocument::kAll) ++log.decoded;
        });
    }

    // A change of the setup, as an editor makes it.
    void Edit(const std::function<void(SetupModel&)>& change) {
        state.Document().Edit(SetupDocument::kAll, change);
    }

    Recorder log;
    Module10 state;
    const TransferEngine& engine = state.Engine();
    const SetupModel& setup = state.Setup();
    const ConfigBuffer& buffer = state.Buffer();
    std::vector<TransferEngine::Outcome>& outcomes = log.outcomes;
};

// A fake port and a manual timer and clock for a link; a base of the rig, so that they are there
// before the state whose link takes them.
struct ManualParts {
    Link::Parts Parts() { return {std::move(ownPort_), std::move(ownTimer_), &clock}; }

    const TransferTiming timing;
    ManualClock clock;

  private:
    std::unique_ptr<FakePort> ownPort_ = std::make_unique<FakePort>();
    std::unique_ptr<ManualTimer> ownTimer_ = std::make_unique<ManualTimer>(clock);

  public:
    FakePort& port = *ownPort_;
    ManualTimer& timer = *ownTimer_;
};

// The state's engine on a fake port and a manual timer.
struct EngineRig : ManualParts, StateRig {
    EngineRig() : StateRig(Parts(), timing) {}

    // One tick at the timer's deadline.
    void Tick() {
        clock.now = std::max(clock.now, timer.deadline);
        emit timer.Tick();
    }
    // One step: a tick, and the settle's tick when bytes were waiting at it.
    void Step() {
        Tick();
        if (engine.Holding()) Tick();
    }
    // The module's answer comes in a fast module's time after the last step, and the step that
    // awaits it runs: at once when the bytes decide it, else at its tick. No bytes: the step's
    // window ends without any.
    void Answer(const Bytes& bytes) {
        if (!bytes.empty()) {
            clock.now += kFast;
            port.incoming.insert(port.incoming.end(), bytes.begin(), bytes.end());
            emit port.BytesArrived();
            if (!engine.Holding() && port.incoming.empty()) return;
        }
        Tick();
    }
};

// A module that answers each byte after a fixed latency, in simulated time: its answers and the
// engine's ticks are delivered in time order, as a real event loop would. Behind a converter
// (tick > 0) an answer waits for the next tick of the converter's free-running clock.
class TimedModule {
  public:
    TimedModule(EngineRig& rig, microseconds latency, ConfigBuffer memory = {},
                microseconds tick = {})
        : protocol(std::move(memory)), rig_(rig), latency_(latency) {
        rig.port.module = [this, tick](std::uint8_t byte) {
            if (auto answer = protocol.Receive(byte)) {
                if (alter) alter(protocol.Answers(), *answer);
                microseconds at = rig_.clock.now + latency_;
                if (tick > microseconds{0}) at = (at + tick - microseconds{1}) / tick * tick;
                arrivals_.push_back({at, *answer});
            }
        };
    }

    // Runs the procedure to its end, or until `stop` says so; the simulated time it took.
    microseconds Run(const std::function<bool()>& stop = {}) {
        const microseconds start = rig_.clock.now;
        while (!rig_.engine.Idle() && (rig_.timer.on || !arrivals_.empty()) && !(stop && stop())) {
            if (!arrivals_.empty() &&
                (!rig_.timer.on || arrivals_.front().first <= rig_.timer.deadline)) {
                const microseconds at = arrivals_.front().first;
                rig_.clock.now = std::max(rig_.clock.now, at);
                while (!arrivals_.empty() && arrivals_.front().first == at) {
                    rig_.port.incoming.push_back(arrivals_.front().second);
                    arrivals_.pop_front();
                }
                emit rig_.port.BytesArrived();
            } else {
                rig_.Tick();
            }
        }
        return rig_.clock.now - start;
    }

    sim::ModuleProtocol protocol;
    // May change answer number n (counted as the module counts them) before it is sent.
    std::function<void(std::size_t n, std::uint8_t& answer)> alter;

  private:
    EngineRig& rig_;
    microseconds latency_;
    std::deque<std::pair<microseconds, std::uint8_t>> arrivals_;
};

// A buffer that decodes, with bytes a test can recognise (0x06 and 0x19 among them).
inline ConfigBuffer SampleImage() {
    SetupModel setup;
    setup.commandTable[0].smsText = "ZAP\x06\x19";
    setup.phoneList[2].number = "+420123456789";
    setup.messageTexts.pagerName = "Chata";
    return EncodeSetup(setup);
}

}  // namespace kdx::test
