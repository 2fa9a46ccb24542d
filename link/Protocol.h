#pragma once

#include <cstdint>

#include "config/Layout.h"

namespace kdx::protocol {

// The bytes of the wire protocol; the PC is the master and the module only answers.
inline constexpr std::uint8_t kEtx = 0x03;           // opens every procedure, closes a transfer
inline constexpr std::uint8_t kReadCommand = 0x0C;   // after the module's ACK to ETX
inline constexpr std::uint8_t kWriteCommand = 0x0B;  // after the module's ACK to ETX
inline constexpr std::uint8_t kStx = 0x02;  // read: send the next byte; write: here it comes
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kEm = 0x19;  // the module's end of data

// Consecutive empty polls after which a transfer gives up waiting for the module.
inline constexpr int kReadEmptyPollLimit = 5000;
inline constexpr int kWriteEmptyPollLimit = 25000;

// The byte counter's value once the last data byte has been answered (read: the byte after the
// last one has arrived).
inline constexpr int kEndProgress = static_cast<int>(layout::kBufferSize) + 1;

}  // namespace kdx::protocol
