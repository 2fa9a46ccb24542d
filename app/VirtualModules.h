#pragma once

#include <QStringList>

namespace kdx {

// The devices of the virtual modules the user runs now, for trying the window without
// hardware; the port choice lists them after the machine's own ports.
QStringList VirtualModulePorts();

}  // namespace kdx
