#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kdx {

using Bytes = std::vector<std::uint8_t>;

// The serial line the transfers talk over (the window's `comm`). Opening, closing and the line
// settings belong to whoever owns the port; the engine only moves bytes.
class SerialPort {
  public:
    virtual ~SerialPort() = default;
    // Puts one byte on the line; false when it could not (no port open, line gone).
    virtual bool Output(std::uint8_t byte) = 0;
    // Takes every byte received so far, possibly none; empty optional when no port is open.
    virtual std::optional<Bytes> Input() = 0;
    // How many received bytes Input would take now, without taking them; 0 with no port open.
    virtual std::size_t Waiting() = 0;
};

// The one transfer timer (`Timer1`): one tick per interval while on.
class TransferTimer {
  public:
    virtual ~TransferTimer() = default;
    virtual void SetInterval(std::chrono::microseconds interval) = 0;
    virtual void On() = 0;
    virtual void Off() = 0;
};

// Monotonic time for measuring how fast the module answers.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::chrono::microseconds Now() = 0;
};

// The machine's steady clock; shared, stateless.
Clock& SteadyClock();

// The activity log (`Text2`), one line per message.
class MessageLog {
  public:
    virtual ~MessageLog() = default;
    virtual void LogMessage(std::string_view message) = 0;
};

// The progress bar (`bar`). The engine keeps the byte counter and shows every value it sets.
class ProgressDisplay {
  public:
    virtual ~ProgressDisplay() = default;
    virtual void ShowProgress(int value) = 0;
};

// The current local time of day as the log shows it.
class TimeOfDaySource {
  public:
    virtual ~TimeOfDaySource() = default;
    virtual std::string TimeOfDay() = 0;
};

}  // namespace kdx
