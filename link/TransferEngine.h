#pragma once

#include <chrono>
#include <functional>

#include "config/Layout.h"
#include "config/SetupModel.h"
#include "link/Interfaces.h"
#include "link/TransferTiming.h"

namespace kdx {

// Reads the module's memory into the configuration buffer, writes the buffer into the module
// and tests the link: a state machine of one step per timer tick that never waits inside a step.
// Everything it touches comes in through the constructor; it knows nothing of the window.
class TransferEngine {
  public:
    // `TransferMode` values: the procedure of the latest step.
    enum Mode { kNoMode = 0, kReadMode = 1, kWriteMode = 2, kTestMode = 3 };

    TransferEngine(SerialPort& comm, TransferTimer& timer, MessageLog& log, ProgressDisplay& bar,
                   SetupModel& setup, ConfigBuffer& buffer, TransferTiming timing = {},
                   Clock& clock = SteadyClock());

    // Runs after a read whose buffer was decoded into the setup (the window refreshes its
    // views and panel there).
    void SetDecodedHook(std::function<void()> hook) { decoded_ = std::move(hook); }

    // The four start requests. Each is ignored while a procedure runs, which then goes on
    // undisturbed.
    void StartRead();
    void StartWrite();     // encodes the setup into the buffer first
    void StartRawWrite();  // sends the buffer as it is
    void StartTest();

    // The timer's tick.
    void OnTransferTimer();
    // The port has received bytes: the step waiting for them runs one settle time from now.
    void OnBytesArrived();

    int TransferMode() const { return mode_; }
    int TransferState() const { return state_; }
    int EmptyPolls() const { return emptyPolls_; }
    int Progress() const { return progress_; }
    bool Idle() const { return state_ == 0; }
    bool Settling() const { return settling_; }
    // How long read state 45 waits for EM, from what this transfer has measured so far.
    std::chrono::microseconds SilenceWindow() const;

  private:
    void ReadStep();
    void WriteStep();
    void TestStep();

    void ReadSucceeded();
    void ReadFailed();
    void WriteSucceeded();
    void WriteFailed();

    void BeginWrite();
    void DropStaleBytes();
    void Send(std::uint8_t byte);
    std::optional<Bytes> Poll() { return comm_.Input(); }
    void Rearm();
    void Arm(std::chrono::microseconds interval);
    void EndTransfer();
    void SetProgress(int value);
    void BeginSettle();
    void NoteAnswerTime();
    void ForgetAnswerTimes();

    SerialPort& comm_;
    TransferTimer& timer_;
    MessageLog& log_;
    ProgressDisplay& bar_;
    SetupModel& setup_;
    ConfigBuffer& buffer_;
    TransferTiming timing_;
    Clock& clock_;
    std::function<void()> decoded_;

    int mode_ = kNoMode;
    int state_ = 0;
    int emptyPolls_ = 0;
    int progress_ = 0;
    Bytes transferData_;  // read: the bytes received so far; write: the copy being sent

    bool settling_ = false;
    // The module's answer time: when the PC last sent a byte, whether its answer was timed, and
    // the smoothed answer time with its variation (none measured yet while answerTime_ is 0).
    std::chrono::microseconds sentAt_{0};
    bool answerTimed_ = true;
    std::chrono::microseconds answerTime_{0};
    std::chrono::microseconds answerVariation_{0};
};

}  // namespace kdx
