#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/ModuleProtocol.h"

namespace kdx::sim {

// A fault the module injects. Answers are counted per procedure: answer 1 is the ACK to the
// ETX that opens it, then one per answer given (a read: 2 the ACK to the command, 2 + n data
// byte n; a write: 2 the ACK to the command, 2n + 1 the ACK to the n-th STX, 2n + 2 the ACK to
// data byte n).
struct Fault {
    enum class Kind {
        kNoAnswer,         // falls silent from answer `at` to the end of the procedure
        kLateAnswer,       // sends answer `at` late (Options::lateBy)
        kDuplicateAnswer,  // sends answer `at` twice, back to back; the PC gets both at once
        kWrongAnswer,      // sends Options::wrongByte instead of answer `at`
        kEarlyEm,          // ends a read or write with EM after data byte `at`
        kHangUp,           // closes the line instead of sending answer `at`
    };
    Kind kind;
    std::size_t at = 1;
};

// A virtual KDX-17 on a pseudo-terminal, served by a thread of its own: the PC opens
// DevicePath() like any serial port. Bytes move at the line's pace: every answer leaves after
// the module's reaction delay and is in one byte time later, the next not before; and a byte
// the PC sends reaches the module one byte time after it was written, as over a real line
// (a pseudo-terminal itself moves bytes at once).
class VirtualModule {
  public:
    struct Options {
        std::vector<std::uint8_t> memory;  // empty: a new module, all 0xFF
        // When set, the memory is loaded from this raw image when the file exists (a regular
        // file of 1024 bytes) and saved there after every write and when the module stops.
        std::string imagePath;
        std::chrono::microseconds reactionDelay{500};
        std::chrono::microseconds byteTime{521};  // 10 bits at 19200 baud
        bool paceIncoming = true;  // false: the PC's bytes arrive the moment they are written
        // Not zero: the module sits behind a USB serial converter with this latency timer, and
        // its bytes reach the PC only at the next tick of a clock of this period, free-running
        // since Start.
        std::chrono::microseconds latencyTimer{0};
        std::chrono::microseconds lateBy{1000000};  // beyond any window the PC waits
        std::uint8_t wrongByte = 0x15;
        std::vector<Fault> faults;
        // Every byte on the line as it happens, from the module's thread.
        std::function<void(bool fromPc, std::uint8_t byte)> trace;
    };

    explicit VirtualModule(Options options);
    ~VirtualModule();
    VirtualModule(const VirtualModule&) = delete;
    VirtualModule& operator=(const VirtualModule&) = delete;

    // Opens the pseudo-terminal and starts serving it; false with a reason on failure.
    bool Start(std::string* error = nullptr);
    // Stops serving and closes the line; saves the image when one is set.
    void Stop();

    const std::string& DevicePath() const { return devicePath_; }
    std::vector<std::uint8_t> Memory() const;
    // True once a hang-up fault has closed the line.
    bool LineClosed() const { return lineClosed_; }
    // True when Start failed on the image file: not a regular file of 1024 bytes, or one that
    // could not be saved there (see CanReplaceFile).
    bool ImageRefused() const { return imageRefused_; }
    // Why the image could not be saved the last time it failed; empty when it never failed.
    std::string SaveError() const;

  private:
    using Clock = std::chrono::steady_clock;
    struct Timed {
        Clock::time_point at;
        std::uint8_t byte;
    };

    void Serve();
    void TakeFromPc(Clock::time_point now);
    void React(const Timed& received);
    Clock::time_point Delivered(Clock::time_point sent) const;
    void CloseLine();
    void LoadMemory(std::vector<std::uint8_t> memory);
    void SaveImage();

    Options options_;
    ModuleProtocol protocol_;  // guarded by mutex_
    mutable std::mutex mutex_;
    bool written_ = false;  // memory changed since the last save
    std::string saveError_;
    std::string devicePath_;
    int master_ = -1;
    int slave_ = -1;  // held open so the line stays up between the PC's sessions
    int wake_[2] = {-1, -1};
    std::thread thread_;
    std::atomic<bool> lineClosed_{false};
    bool imageRefused_ = false;

    // Only the serving thread touches these.
    std::deque<Timed> received_;  // the PC's bytes, at the time the module reacts to them
    std::deque<Timed> outgoing_;  // answers, at the time they have arrived at the PC
    Clock::time_point rxFree_{};
    Clock::time_point txFree_{};
    Clock::time_point started_{};  // the converter's clock ticks from here
};

}  // namespace kdx::sim
