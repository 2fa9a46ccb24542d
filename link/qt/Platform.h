#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "link/PortProblem.h"
#include "link/qt/SerialDevice.h"
#include "link/qt/TickTimer.h"

// What differs per platform, each defined in the platform's own files that the build picks.
namespace kdx {

std::unique_ptr<SerialDevice> MakeSerialDevice();
std::unique_ptr<TickTimer> MakeTransferTimer();

// The machine's serial devices in port order: COM1 first.
QStringList MachinePorts();

// The platform's words for why a port cannot be opened.
QString PortProblemText(PortProblem problem);
// The same for a device by name: a port in use names its holder where the system tells it
// ("zařízení používá jiný program (PID 1234, minicom)").
QString PortProblemText(PortProblem problem, const QString& device);

// What to say beside a port that opened: a lock file left by a program that has ended, which
// this user may not remove (the port is guarded all the same); empty when nothing.
QString PortLockNote(const QString& device);

}  // namespace kdx
