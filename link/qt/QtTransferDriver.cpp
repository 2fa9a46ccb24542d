#include "link/qt/QtTransferDriver.h"

namespace kdx {

QtTransferDriver::QtTransferDriver(TransferEngine& engine, QtSerialPort& comm,
                                   QtTransferTimer& timer, QObject* parent)
    : QObject(parent) {
    connect(&timer, &QtTransferTimer::Tick, this, [&engine] { engine.OnTransferTimer(); });
    connect(&comm, &QtSerialPort::BytesArrived, this, [&engine] { engine.OnBytesArrived(); });
}

}  // namespace kdx
