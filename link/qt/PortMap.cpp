#include "link/qt/PortMap.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QSerialPortInfo>
#include <algorithm>

#include "link/VirtualPorts.h"

#ifndef Q_OS_WIN
#include <signal.h>

#include <cerrno>
#endif

namespace kdx {
namespace {

#ifndef Q_OS_WIN
// The pseudo-terminals of the virtual modules running now, oldest first; an announcement left
// behind by a module that did not end cleanly is skipped.
QStringList VirtualPorts() {
    QStringList paths;
    QDir dir(kVirtualPortDirectory);
    QStringList pids = dir.entryList(QDir::Files);
    QCollator collator;
    collator.setNumericMode(true);
    std::sort(pids.begin(), pids.end(), collator);
    for (const QString& name : pids) {
        bool number = false;
        const pid_t pid = name.toInt(&number);
        if (!number || (::kill(pid, 0) != 0 && errno != EPERM)) continue;
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QString path = QString::fromLocal8Bit(file.readAll()).trimmed();
        if (QFile::exists(path)) paths << path;
    }
    return paths;
}
#endif

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
    return paths + VirtualPorts();
#endif
}

}  // namespace

PortMap::PortMap() : devices_(MachinePorts()) {}

PortMap::PortMap(QStringList devices) : devices_(std::move(devices)) {}

QString PortMap::Device(int k) const {
    return k >= 1 && k <= kPortCount ? devices_.value(k - 1) : QString();
}

}  // namespace kdx
