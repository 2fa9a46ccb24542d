#pragma once

#include <memory>

#include "link/qt/PortSource.h"

namespace kdx {

// The ports the window offers: the machine's serial devices, then the virtual modules the user
// runs (for trying the window without hardware), followed as they come and go.
std::unique_ptr<PortSource> MakePortSource();

}  // namespace kdx
