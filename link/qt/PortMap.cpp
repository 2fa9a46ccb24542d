#include "link/qt/PortMap.h"

#include <QCollator>
#include <QSerialPortInfo>
#include <algorithm>

#include "sim/Announcement.h"

namespace kdx {
namespace {

QStringList MachinePorts() {
#ifdef Q_OS_WIN
    QStringList names;
    for (int k = 1; k <= kPortCount; ++k) names << QString("COM%1").arg(k);
    return names;
#else
    QStringList paths;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        paths << port.systemLocation();
    // Numbers in a path count as numbers: ttyS2 comes before ttyS10.
    QCollator collator;
    collator.setNumericMode(true);
    std::sort(paths.begin(), paths.end(), collator);
    // Then the virtual modules running now, for trying the window without hardware.
    for (const std::string& device : sim::AnnouncedPorts()) paths << QString::fromStdString(device);
    return paths;
#endif
}

}  // namespace

PortMap::PortMap() : devices_(MachinePorts()) {}

PortMap::PortMap(QStringList devices) : devices_(std::move(devices)) {}

QString PortMap::Device(int k) const {
    return k >= 1 && k <= kPortCount ? devices_.value(k - 1) : QString();
}

}  // namespace kdx
