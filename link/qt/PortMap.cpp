#include "link/qt/PortMap.h"

#include "link/qt/Platform.h"

namespace kdx {

PortMap::PortMap() : devices_(MachinePorts()) {}

PortMap::PortMap(QStringList devices) : devices_(std::move(devices)) {}

QString PortMap::Device(int k) const {
    return k >= 1 && k <= kPortCount ? devices_.value(k - 1) : QString();
}

}  // namespace kdx
