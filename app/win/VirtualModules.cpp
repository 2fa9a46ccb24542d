#include "app/VirtualModules.h"

namespace kdx {

// The virtual module runs on Linux pseudo-terminals only.
QStringList VirtualModulePorts() { return {}; }

}  // namespace kdx
