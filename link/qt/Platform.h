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

}  // namespace kdx
