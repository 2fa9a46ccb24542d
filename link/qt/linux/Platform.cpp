#include "link/qt/Platform.h"

#include <QCollator>
#include <QSerialPortInfo>
#include <algorithm>

#include "link/qt/linux/DeviceLock.h"
#include "link/qt/linux/QtSerialPort.h"
#include "link/qt/linux/TimerFdTimer.h"

namespace kdx {

std::unique_ptr<SerialDevice> MakeSerialDevice() { return std::make_unique<QtSerialPort>(); }

std::unique_ptr<TickTimer> MakeTransferTimer() { return std::make_unique<TimerFdTimer>(); }

QStringList MachinePorts() {
    QStringList paths;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        paths << port.systemLocation();
    // Numbers in a path count as numbers: ttyS2 comes before ttyS10.
    QCollator collator;
    collator.setNumericMode(true);
    std::sort(paths.begin(), paths.end(), collator);
    return paths;
}

QString PortProblemText(PortProblem problem) {
    switch (problem) {
        case PortProblem::kNone:
            break;
        case PortProblem::kNoDevice:
            return "zařízení neexistuje";
        case PortProblem::kNoPermission:
            return "chybí oprávnění k zařízení (uživatel musí být ve skupině dialout)";
        case PortProblem::kInUse:
            return "zařízení používá jiný program";
        case PortProblem::kNotSerial:
            return "zařízení není sériový port";
    }
    return {};
}

QString PortProblemText(PortProblem problem, const QString& device) {
    const QString holder = problem == PortProblem::kInUse ? LockHolder(device) : QString();
    return holder.isEmpty() ? PortProblemText(problem)
                            : PortProblemText(problem) + " (" + holder + ")";
}

QString PortLockNote(const QString& device) { return StaleLockNote(device); }

}  // namespace kdx
