#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kdx::sim {

// The module's side of the wire protocol, without timing: what the module answers to each byte
// the PC sends. Written from the wire table alone; it shares nothing with the PC's engine.
class ModuleProtocol {
  public:
    static constexpr std::size_t kMemorySize = 1024;
    static constexpr std::uint8_t kEtx = 0x03;
    static constexpr std::uint8_t kReadCommand = 0x0C;
    static constexpr std::uint8_t kWriteCommand = 0x0B;
    static constexpr std::uint8_t kStx = 0x02;
    static constexpr std::uint8_t kAck = 0x06;
    static constexpr std::uint8_t kEm = 0x19;
    // What the module sends when asked for the byte after its last one (the PC drops it).
    static constexpr std::uint8_t kPastEnd = 0xFF;

    // A memory of any other size is padded with 0xFF or cut to 1024 bytes.
    explicit ModuleProtocol(std::vector<std::uint8_t> memory = {});

    // The answer to one byte from the PC, if any.
    std::optional<std::uint8_t> Receive(std::uint8_t byte);

    // Ends the next read or write with EM after this many data bytes (0: never).
    void SetEarlyEm(std::size_t afterBytes) { earlyEm_ = afterBytes; }

    // How many answers the module has given since the ETX that opened the current procedure,
    // that ETX's own ACK included.
    std::size_t Answers() const { return answers_; }

    const std::vector<std::uint8_t>& Memory() const { return memory_; }
    // True between the write command and the end of the write.
    bool Writing() const { return phase_ == Phase::kWriteStx || phase_ == Phase::kWriteData; }

  private:
    // kDone: a read or write has moved all its bytes; the PC's ETX now only closes it.
    enum class Phase { kIdle, kReady, kReading, kWriteStx, kWriteData, kDone };

    std::optional<std::uint8_t> Answer(std::uint8_t byte);

    std::vector<std::uint8_t> memory_;
    Phase phase_ = Phase::kIdle;
    std::size_t position_ = 0;  // reading: bytes sent; writing: bytes stored
    std::size_t earlyEm_ = 0;
    std::size_t answers_ = 0;
};

}  // namespace kdx::sim
