#include "app/Ports.h"

#include "link/qt/Platform.h"

namespace kdx {

// The system's COM ports as they are at start. The system's device-change notice is to drive a
// source of its own here, as the Linux one watches the device nodes.
std::unique_ptr<PortSource> MakePortSource() {
    return std::make_unique<FixedPorts>(PortMap(MachinePorts()));
}

}  // namespace kdx
