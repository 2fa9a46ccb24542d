#include "link/qt/Platform.h"

#include "link/qt/PortMap.h"
#include "link/qt/win/WinSerialDevice.h"
#include "link/qt/win/WinTickTimer.h"

namespace kdx {

std::unique_ptr<SerialDevice> MakeSerialDevice() { return std::make_unique<WinSerialDevice>(); }

std::unique_ptr<TickTimer> MakeTransferTimer() { return std::make_unique<WinTickTimer>(); }

QStringList MachinePorts() {
    QStringList names;
    for (int k = 1; k <= kPortCount; ++k) names << QString("COM%1").arg(k);
    return names;
}

QString PortProblemText(PortProblem problem) {
    switch (problem) {
        case PortProblem::kNone:
            return {};
        case PortProblem::kNoDevice:
            return "port v systému neexistuje";
        case PortProblem::kNoPermission:
            return "chybí oprávnění k portu";
        case PortProblem::kInUse:
            return "port používá jiný program";
        case PortProblem::kNotSerial:
            return "zařízení není sériový port";
    }
    return {};
}

// Windows opens a COM port for one program only and names no holder.
QString PortProblemText(PortProblem problem, const QString&) { return PortProblemText(problem); }

QString PortLockNote(const QString&) { return {}; }

}  // namespace kdx
