#pragma once

namespace kdx {

// Why a serial port could not be opened; kNone when it could.
enum class PortProblem { kNone, kNoDevice, kNoPermission, kInUse, kNotSerial };

}  // namespace kdx
