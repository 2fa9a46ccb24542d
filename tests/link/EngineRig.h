#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/Codec.h"
#include "link/Interfaces.h"
#include "link/TransferEngine.h"

namespace kdx::test {

using std::chrono::microseconds;

class ManualClock : public Clock {
  public:
    microseconds Now() override { return now; }
    microseconds now{1000000};
};

// Remembers when it was switched on, so a test can jump straight to its tick.
class ManualTimer : public TransferTimer {
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

// A port whose received bytes the test puts in; what the PC sends can feed a scripted module.
class FakePort : public SerialPort {
  public:
    bool Output(std::uint8_t byte) override {
        if (!open || !outputWorks) return false;
        sent.push_back(byte);
        if (module) module(byte);
        return true;
    }
    std::optional<Bytes> Input() override {
        if (!open) return std::nullopt;
        ++polls;
        Bytes chunk;
        chunk.swap(incoming);
        return chunk;
    }
    std::size_t Waiting() override { return open ? incoming.size() : 0; }

    bool open = true;
    bool outputWorks = true;
    Bytes incoming;
    Bytes sent;
    int polls = 0;
    std::function<void(std::uint8_t)> module;
};

class Recorder : public MessageLog, public ProgressDisplay {
  public:
    void LogMessage(std::string_view message) override { lines.emplace_back(message); }
    void ShowProgress(int value) override { progress.push_back(value); }

    std::vector<std::string> lines;  // oldest first
    std::vector<int> progress;       // every value shown
};

struct EngineRig {
    explicit EngineRig(TransferTiming t = {}) : timing(t) {
        engine.SetDecodedHook([this] { ++decoded; });
    }

    // One tick at the timer's deadline.
    void Tick() {
        clock.now = timer.deadline;
        engine.OnTransferTimer();
    }
    // One step: a tick, and the settle's tick when bytes were waiting at it.
    void Step() {
        Tick();
        if (engine.Settling()) Tick();
    }
    // Puts bytes in the port and runs the step that awaits them.
    void Answer(Bytes bytes) {
        port.incoming.insert(port.incoming.end(), bytes.begin(), bytes.end());
        Step();
    }

    TransferTiming timing;
    ManualClock clock;
    ManualTimer timer{clock};
    FakePort port;
    Recorder log;
    SetupModel setup;
    ConfigBuffer buffer;
    int decoded = 0;
    TransferEngine engine{port, timer, log, log, setup, buffer, timing, clock};
};

// A buffer that decodes: the encoded default setup with a few bytes a test can recognise.
inline ConfigBuffer SampleImage() {
    SetupModel setup;
    setup.commandTable[0].smsText = "ZAP";
    setup.phoneList[2].number = "+420123456789";
    setup.messageTexts.pagerName = "Chata";
    return EncodeSetup(setup);
}

}  // namespace kdx::test
