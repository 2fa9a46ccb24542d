#include "link/qt/QtTransferTimer.h"

namespace kdx {

QtTransferTimer::QtTransferTimer(QObject* parent) : QObject(parent) {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &QtTransferTimer::Tick);
}

void QtTransferTimer::SetInterval(std::chrono::microseconds interval) {
    timer_.setInterval(std::chrono::ceil<std::chrono::milliseconds>(interval));
}

}  // namespace kdx
