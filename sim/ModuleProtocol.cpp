#include "sim/ModuleProtocol.h"

namespace kdx::sim {

ModuleProtocol::ModuleProtocol(std::vector<std::uint8_t> memory) : memory_(std::move(memory)) {
    memory_.resize(kMemorySize, 0xFF);
}

std::optional<std::uint8_t> ModuleProtocol::Receive(std::uint8_t byte) {
    if (byte == kEtx && phase_ != Phase::kWriteData) answers_ = 0;
    const auto answer = Answer(byte);
    if (answer) ++answers_;
    return answer;
}

std::optional<std::uint8_t> ModuleProtocol::Answer(std::uint8_t byte) {
    // Within a write's data every byte value is data. Elsewhere ETX opens a procedure afresh
    // and is acknowledged, except the ETX that closes a complete transfer: the PC does not wait
    // for an answer there, and one would reach it as a stray byte after the transfer.
    if (phase_ == Phase::kWriteData) {
        memory_[position_++] = byte;
        if (earlyEm_ != 0 && position_ == earlyEm_) {
            phase_ = Phase::kIdle;
            return kEm;
        }
        phase_ = position_ == kMemorySize ? Phase::kDone : Phase::kWriteStx;
        return kAck;
    }
    if (byte == kEtx) {
        const bool closing = phase_ == Phase::kDone;
        phase_ = closing ? Phase::kIdle : Phase::kReady;
        if (!closing) return kAck;
        return std::nullopt;
    }
    switch (phase_) {
        case Phase::kReady:
            if (byte != kReadCommand && byte != kWriteCommand) return std::nullopt;
            phase_ = byte == kReadCommand ? Phase::kReading : Phase::kWriteStx;
            position_ = 0;
            return kAck;
        case Phase::kReading:
            if (byte == kStx) {
                if (position_ < kMemorySize) return memory_[position_++];
                phase_ = Phase::kDone;
                return kPastEnd;
            }
            if (byte == kAck && earlyEm_ != 0 && position_ == earlyEm_) {
                phase_ = Phase::kIdle;
                return kEm;
            }
            return std::nullopt;  // the PC's ACK to a data byte needs no answer
        case Phase::kWriteStx:
            if (byte != kStx) return std::nullopt;
            phase_ = Phase::kWriteData;
            return kAck;
        default:
            return std::nullopt;
    }
}

}  // namespace kdx::sim
