#include "link/TransferEngine.h"

#include <algorithm>
#include <utility>

#include "link/LogMessages.h"
#include "link/Protocol.h"

namespace kdx {
namespace {

using namespace protocol;
using std::chrono::microseconds;

bool Contains(const Bytes& chunk, std::uint8_t byte) {
    return std::find(chunk.begin(), chunk.end(), byte) != chunk.end();
}

class Steady : public Clock {
  public:
    microseconds Now() override {
        return std::chrono::duration_cast<microseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    }
};

}  // namespace

Clock& SteadyClock() {
    static Steady clock;
    return clock;
}

TransferEngine::TransferEngine(SerialPort& comm, TransferTimer& timer, MessageLog& log,
                               ProgressDisplay& bar, TransferTiming timing, Clock& clock)
    : comm_(comm), timer_(timer), log_(log), bar_(bar), timing_(timing), clock_(clock) {}

// ---- start requests

bool TransferEngine::StartRead() {
    if (!Idle()) return false;
    ForgetAnswerTimes();
    SetProgress(0);
    log_.LogMessage(messages::kReadStart);
    ReadStep();
    return true;
}

bool TransferEngine::StartWrite(const ConfigBuffer& image) {
    return BeginWrite(image, messages::kWriteStart);
}

bool TransferEngine::StartRawWrite(const ConfigBuffer& image) {
    return BeginWrite(image, messages::kRawWriteStart);
}

// An image of any other size would leave the module with only part of its memory overwritten,
// so it is refused before a byte goes out.
bool TransferEngine::BeginWrite(const ConfigBuffer& image, std::string_view startMessage) {
    if (!Idle()) return false;
    SetProgress(0);
    log_.LogMessage(startMessage);
    ForgetAnswerTimes();
    transferData_ = image;
    if (transferData_.size() != layout::kBufferSize) {
        mode_ = kWriteMode;
        WriteFailed(Failure::kImageSize);
    } else {
        WriteStep();
    }
    return true;
}

bool TransferEngine::StartTest() {
    if (!Idle()) return false;
    quickTest_ = false;
    TestStep();
    return true;
}

bool TransferEngine::StartQuickTest() {
    if (!Idle()) return false;
    quickTest_ = true;
    TestStep();
    return true;
}

// ---- timer and arrivals

void TransferEngine::OnTransferTimer() {
    timer_.Off();
    if (Idle()) return;  // a tick can only be stale here; nothing runs
    // Bytes that came in unannounced are an answer, not an empty poll.
    if (!settling_ && !TimedBySilence() && comm_.Waiting() > 0) return TakeAnswer();
    settling_ = false;
    RunStep();
}

void TransferEngine::OnBytesArrived() {
    // The link test waits its full time by design: both of the module's ACKs are in by then.
    if (Idle() || (mode_ == kTestMode && !quickTest_)) return;
    // A late notice of bytes that a poll has already taken is no answer.
    if (comm_.Waiting() == 0) return;
    TakeAnswer();
}

void TransferEngine::RunStep() {
    switch (mode_) {
        case kReadMode:
            return ReadStep();
        case kWriteMode:
            return WriteStep();
        case kTestMode:
            return TestStep();
        default:
            return;
    }
}

// Read state 45 and the link test wait for their window to end; only the byte they look for
// (EM, or the quick check's ACK) ends the wait early, and other bytes do not make it longer.
bool TransferEngine::TimedBySilence() const {
    return mode_ == kTestMode || (mode_ == kReadMode && state_ == 45);
}

void TransferEngine::TakeAnswer() {
    const microseconds now = clock_.Now();
    const std::optional<Bytes> chunk = comm_.Input();
    if (!chunk) return RunStep();  // the line has gone: the step's own poll reports it
    if (chunk->empty()) return;
    if (now < tailUntil_) {
        // The rest of the answer that the previous step went on with: its poll held more than
        // one byte after all. Anywhere else that step's decision stands and the rest is dropped.
        if (tailIsDuplicate_) DuplicateAnswer();
        return;
    }
    if (held_.empty()) {
        answerAt_ = now;
        NoteAnswerTime();
    }
    held_.insert(held_.end(), chunk->begin(), chunk->end());
    if (Decided()) {
        settling_ = false;
        tailUntil_ = answerAt_ + timing_.settle;
        tailIsDuplicate_ = state_ == 50;
        return RunStep();
    }
    if (!settling_ && !TimedBySilence()) {
        settling_ = true;
        Arm(timing_.settle);
    }
}

// Whether the bytes held decide the waiting step, whatever else its poll may still take in.
bool TransferEngine::Decided() const {
    if (TimedBySilence()) return Contains(held_, mode_ == kTestMode ? kAck : kEm);
    if (state_ != 50) return Contains(held_, kAck);
    if (held_.size() > 1) return true;  // more than one byte: the failure is certain
    // Exactly one byte goes on; a duplicate behind it is still told apart (TakeAnswer). An
    // answer that ends the transfer waits for the settle: no later step would see one.
    if (progress_ + 1 == kEndProgress) return false;
    return mode_ == kReadMode || held_.front() == kAck;
}

void TransferEngine::ForgetAnswerTimes() {
    answerTime_ = answerVariation_ = promptAnswer_ = microseconds{0};
    answerTimed_ = true;
}

// Smoothed like TCP's round-trip estimate: gain 1/8 for the time, 1/4 for its variation.
void TransferEngine::NoteAnswerTime() {
    if (answerTimed_) return;
    answerTimed_ = true;
    const microseconds sample = clock_.Now() - sentAt_;
    if (sentPromptly_ && (promptAnswer_ == microseconds{0} || sample < promptAnswer_)) {
        promptAnswer_ = sample;
    }
    if (answerTime_ == microseconds{0}) {
        answerTime_ = std::max(sample, microseconds{1});
        answerVariation_ = sample / 2;
        return;
    }
    const microseconds deviation =
        sample > answerTime_ ? sample - answerTime_ : answerTime_ - sample;
    answerVariation_ += (deviation - answerVariation_) / 4;
    answerTime_ = std::max(answerTime_ + (sample - answerTime_) / 8, microseconds{1});
}

std::chrono::microseconds TransferEngine::SilenceWindow() const {
    if (answerTime_ == microseconds{0}) return timing_.answerWindow;
    const microseconds window =
        std::max(answerTime_ * 5 / 4 + std::min(4 * answerVariation_, answerTime_ / 3),
                 promptAnswer_ * 5 / 4);
    return std::clamp(window, timing_.silenceFloor, timing_.answerWindow);
}

// ---- shared step operations

// The bytes held ahead of the step come first: its poll takes everything since the last one.
std::optional<Bytes> TransferEngine::Poll() {
    auto chunk = comm_.Input();
    if (chunk) chunk->insert(chunk->begin(), held_.begin(), held_.end());
    held_.clear();
    return chunk;
}

void TransferEngine::Send(std::uint8_t byte) {
    sentAt_ = clock_.Now();
    sentPromptly_ = sentAt_ - answerAt_ < timing_.settle;
    answerTimed_ = false;
    comm_.Output(byte);  // a failed send is not an error: the next poll finds no answer
}

void TransferEngine::Rearm() {
    microseconds interval = timing_.answerWindow;
    if (state_ == 50) {
        interval = timing_.pollPeriod;
    } else if (mode_ == kReadMode && state_ == 45) {
        interval = SilenceWindow();
    }
    Arm(interval);
}

void TransferEngine::Arm(microseconds interval) {
    timer_.Off();
    timer_.SetInterval(interval);
    timer_.On();
}

void TransferEngine::EndTransfer() {
    StopWaiting();
    state_ = 0;
    SetProgress(0);
}

void TransferEngine::StopWaiting() {
    timer_.Off();
    held_.clear();
    settling_ = false;
    tailUntil_ = microseconds{0};
}

void TransferEngine::SetProgress(int value) {
    progress_ = value;
    bar_.ShowProgress(value);
}

// ---- read

void TransferEngine::ReadStep() {
    mode_ = kReadMode;
    switch (state_) {
        case 25:    // ETX sent
        case 35: {  // read command sent
            const auto chunk = Poll();
            if (!chunk || !Contains(*chunk, kAck)) return ReadFailed(NoAnswer(chunk));
            Send(state_ == 25 ? kReadCommand : kStx);
            state_ = state_ == 25 ? 35 : 50;
            return Rearm();
        }
        case 50: {  // STX sent: a data byte is due
            const auto chunk = Poll();
            if (!chunk) return ReadFailed(Failure::kPortClosed);
            if (chunk->size() > 1) return DuplicateAnswer();
            if (chunk->empty()) {
                if (++emptyPolls_ >= kReadEmptyPollLimit) return ReadFailed(Failure::kSilence);
                return Rearm();
            }
            emptyPolls_ = 0;
            SetProgress(progress_ + 1);
            if (progress_ == kEndProgress) {
                Send(kEtx);
                return ReadSucceeded();  // the byte after the last is not kept
            }
            Send(kAck);
            transferData_.push_back(chunk->front());
            state_ = 45;
            return Rearm();
        }
        case 45: {  // ACK sent for a data byte: EM ends the read, silence asks for the next
            const auto chunk = Poll();
            if (!chunk) return ReadFailed(Failure::kPortClosed);
            if (Contains(*chunk, kEm)) return ReadSucceeded();
            Send(kStx);
            state_ = 50;
            return Rearm();
        }
        default:
            emptyPolls_ = 0;
            transferData_.clear();
            DropStaleBytes();
            Send(kEtx);
            state_ = 25;
            return Rearm();
    }
}

// A byte left on the line from before (a module that acknowledges the ETX closing the previous
// transfer, say) would be taken for the answer to this procedure's ETX and shift every data
// byte by one. The port is cleared first, as the link test does; a failing poll is left for the
// procedure's own first poll to report.
void TransferEngine::DropStaleBytes() { Poll(); }

void TransferEngine::ReadSucceeded() {
    log_.LogMessage(messages::kTransferOk);
    EndTransfer();
    Finish(Failure::kNone);
}

void TransferEngine::ReadFailed(Failure failure) {
    EndTransfer();
    log_.LogMessage(messages::kReadFailed);
    Finish(failure);
}

// The hook comes last: it may start the next procedure.
void TransferEngine::Finish(Failure failure) {
    Outcome outcome{static_cast<Mode>(mode_), failure, {}, std::exchange(written_, 0)};
    if (mode_ == kReadMode && failure == Failure::kNone)
        outcome.received = std::move(transferData_);
    transferData_.clear();
    if (finished_) finished_(outcome);
}

// ---- write

void TransferEngine::WriteStep() {
    mode_ = kWriteMode;
    switch (state_) {
        case 25:    // ETX sent
        case 35:    // write command sent
        case 45: {  // STX sent
            const auto chunk = Poll();
            if (!chunk || !Contains(*chunk, kAck)) return WriteFailed(NoAnswer(chunk));
            if (state_ == 45) {
                const auto position = static_cast<std::size_t>(progress_);
                if (position < 1 || position > transferData_.size()) {
                    return WriteFailed(Failure::kImageSize);
                }
                Send(transferData_[position - 1]);
                written_ = position;
                state_ = 50;
            } else {
                Send(state_ == 25 ? kWriteCommand : kStx);
                state_ = state_ == 25 ? 35 : 45;
            }
            return Rearm();
        }
        case 50: {  // a data byte sent: ACK goes on, EM ends
            const auto chunk = Poll();
            if (!chunk) return WriteFailed(Failure::kPortClosed);
            if (chunk->size() > 1) return DuplicateAnswer();
            if (chunk->empty()) {
                if (++emptyPolls_ >= kWriteEmptyPollLimit) return WriteFailed(Failure::kSilence);
                return Rearm();
            }
            emptyPolls_ = 0;
            SetProgress(progress_ + 1);
            const std::uint8_t answer = chunk->front();
            const bool accepted = answer == kAck || answer == kEm;
            if (progress_ == kEndProgress) {
                // The answer to the last byte counts like every other one.
                Send(kEtx);
                return accepted ? WriteSucceeded() : WriteFailed(Failure::kUnexpectedAnswer);
            }
            if (answer == kAck) {
                Send(kStx);
                state_ = 45;
                return Rearm();
            }
            return accepted ? WriteSucceeded() : WriteFailed(Failure::kUnexpectedAnswer);
        }
        default:
            emptyPolls_ = 0;
            SetProgress(1);
            DropStaleBytes();
            Send(kEtx);
            state_ = 25;
            return Rearm();
    }
}

// More than one byte where a data byte or its answer was due.
void TransferEngine::DuplicateAnswer() {
    if (mode_ == kReadMode) return ReadFailed(Failure::kDuplicateAnswer);
    log_.LogMessage(messages::kDuplicateReceive);
    WriteFailed(Failure::kDuplicateAnswer);
}

void TransferEngine::WriteSucceeded() {
    log_.LogMessage(messages::kTransferOk);
    EndTransfer();
    Finish(Failure::kNone);
}

void TransferEngine::WriteFailed(Failure failure) {
    EndTransfer();
    log_.LogMessage(messages::kWriteFailed);
    Finish(failure);
}

// ---- test

void TransferEngine::TestStep() {
    mode_ = kTestMode;
    if (state_ == 25) {
        const auto chunk = Poll();
        return TestEnded(chunk && Contains(*chunk, kAck) ? Failure::kNone : NoAnswer(chunk));
    }
    Send(kEtx);
    if (!Poll()) return TestEnded(Failure::kPortClosed);  // what it takes is dropped
    Send(kEtx);
    state_ = 25;
    Arm(timing_.testWait);
}

void TransferEngine::TestEnded(Failure failure) {
    StopWaiting();
    state_ = 0;
    log_.LogMessage(failure == Failure::kNone ? messages::kTestOk : messages::kTestError);
    Finish(failure);
}

}  // namespace kdx
