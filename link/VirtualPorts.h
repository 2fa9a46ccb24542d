#pragma once

namespace kdx {

// Where the virtual module kdx17-sim announces the pseudo-terminal it serves: one file per
// running module, named by its process id, holding the device path. The port map offers these
// after the machine's own serial devices, so that a person can try the window on a virtual
// module without any setting.
inline constexpr const char* kVirtualPortDirectory = "/tmp/kdx17-sim";

}  // namespace kdx
