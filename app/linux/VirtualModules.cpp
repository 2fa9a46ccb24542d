#include "app/VirtualModules.h"

#include "sim/Announcement.h"

namespace kdx {

QStringList VirtualModulePorts() {
    QStringList devices;
    for (const std::string& device : sim::AnnouncedPorts())
        devices << QString::fromStdString(device);
    return devices;
}

}  // namespace kdx
