#pragma once

#include <chrono>
#include <functional>

#include "config/Layout.h"
#include "link/Interfaces.h"
#include "link/TransferTiming.h"

namespace kdx {

// Reads the module's memory, writes an image into the module and tests the link: a state
// machine of one step per timer tick that never waits inside a step. It moves bytes and nothing
// else: what a read's bytes mean, and where a written image comes from, is its owner's business.
// Everything it touches comes in through the constructor; it knows nothing of the window.
class TransferEngine {
  public:
    // `TransferMode` values: the procedure of the latest step.
    enum Mode { kNoMode = 0, kReadMode = 1, kWriteMode = 2, kTestMode = 3 };

    // Why a procedure failed. The log says it to people; this says it to the program.
    enum class Failure {
        kNone,
        kPortClosed,        // no port open, or the line went away
        kNoAcknowledge,     // no ACK where the module must acknowledge
        kDuplicateAnswer,   // more than one byte where one was due
        kUnexpectedAnswer,  // a write's data byte answered with neither ACK nor EM
        kSilence,           // the empty-poll limit ran out while a data byte was awaited
        kImageSize,         // a write of an image that is not the module's whole memory
        kBusy,              // refused to start: another procedure was running
    };

    // How a procedure ended. A read's bytes are exactly those received: 1024 when the module
    // sent its whole memory, fewer when it ended with EM.
    struct Outcome {
        Mode procedure = kNoMode;
        Failure failure = Failure::kNone;
        ConfigBuffer received;
        // A write: how many of the image's data bytes went out. A failure before the first one
        // left the module's memory as it was.
        std::size_t written = 0;
        bool Succeeded() const { return failure == Failure::kNone; }
    };

    TransferEngine(SerialPort& comm, TransferTimer& timer, MessageLog& log, ProgressDisplay& bar,
                   TransferTiming timing = {}, Clock& clock = SteadyClock());

    // Called once at the end of every procedure, after its log lines, with the engine idle.
    void SetFinishedHook(std::function<void(const Outcome&)> hook) { finished_ = std::move(hook); }

    // The start requests; true when the procedure started. Each is refused while a procedure
    // runs, which then goes on undisturbed. A write takes its own copy of the image.
    bool StartRead();
    bool StartWrite(const ConfigBuffer& image);     // logs "Zápis START"
    bool StartRawWrite(const ConfigBuffer& image);  // logs the debug write's start
    bool StartTest();
    // The link test for a program about to transfer: the same bytes, log line and outcome, but
    // it ends as soon as the module's ACK is in instead of always waiting its full time.
    bool StartQuickTest();

    // The timer's tick.
    void OnTransferTimer();
    // The port has received bytes: the step waiting for them runs now when they decide it,
    // else when the settle time after their first byte ends.
    void OnBytesArrived();

    int TransferMode() const { return mode_; }
    int TransferState() const { return state_; }
    int Progress() const { return progress_; }
    bool Idle() const { return state_ == 0; }
    // Bytes of an answer have been taken ahead of the step that decides on them.
    bool Holding() const { return !held_.empty(); }
    // How long read state 45 waits for EM, from what this transfer has measured so far.
    std::chrono::microseconds SilenceWindow() const;

  private:
    void ReadStep();
    void WriteStep();
    void TestStep();

    void ReadSucceeded();
    void ReadFailed(Failure failure);
    void WriteSucceeded();
    void WriteFailed(Failure failure);
    void TestEnded(Failure failure);
    void Finish(Failure failure);
    void DuplicateAnswer();
    // The failure of a poll that found no answer it could use.
    static Failure NoAnswer(const std::optional<Bytes>& chunk) {
        return chunk ? Failure::kNoAcknowledge : Failure::kPortClosed;
    }

    bool BeginWrite(const ConfigBuffer& image, std::string_view startMessage);
    void DropStaleBytes();
    void Send(std::uint8_t byte);
    std::optional<Bytes> Poll();
    void Rearm();
    void Arm(std::chrono::microseconds interval);
    void EndTransfer();
    void StopWaiting();
    void SetProgress(int value);
    void RunStep();
    bool TimedBySilence() const;
    void TakeAnswer();
    bool Decided() const;
    void NoteAnswerTime();
    void ForgetAnswerTimes();

    SerialPort& comm_;
    TransferTimer& timer_;
    MessageLog& log_;
    ProgressDisplay& bar_;
    TransferTiming timing_;
    Clock& clock_;
    std::function<void(const Outcome&)> finished_;

    int mode_ = kNoMode;
    int state_ = 0;
    int emptyPolls_ = 0;
    int progress_ = 0;
    Bytes transferData_;       // read: the bytes received so far; write: the copy being sent
    std::size_t written_ = 0;  // write: the data bytes sent so far

    bool quickTest_ = false;
    // An answer's bytes taken ahead of its step, which polls them with the rest: the settle
    // runs from the first of them. After a step that ran on its answer's first bytes, what
    // comes in until tailUntil_ still belongs to that answer's poll.
    Bytes held_;
    bool settling_ = false;
    std::chrono::microseconds answerAt_{0};
    std::chrono::microseconds tailUntil_{0};
    bool tailIsDuplicate_ = false;  // the step went on because its poll held one byte only
    // The module's answer time: when the PC last sent a byte, whether it went out the moment
    // an answer was in, whether its answer was timed, the smoothed answer time with its
    // variation (none measured yet while answerTime_ is 0), and the shortest answer to a byte
    // sent the moment an answer was in (0: none yet).
    std::chrono::microseconds sentAt_{0};
    bool sentPromptly_ = false;
    bool answerTimed_ = true;
    std::chrono::microseconds answerTime_{0};
    std::chrono::microseconds answerVariation_{0};
    std::chrono::microseconds promptAnswer_{0};
};

}  // namespace kdx
