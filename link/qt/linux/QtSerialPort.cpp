#include "link/qt/linux/QtSerialPort.h"

#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QFile>

namespace kdx {
namespace {

// A line that has gone (the device unplugged, the other end of a pseudo-terminal closed) keeps
// reporting these on every read attempt; nothing more will come over it.
bool Gone(QSerialPort::SerialPortError error) {
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
}

// Qt reports a device that another program holds as a permission error too; only the device's
// own permissions tell the two apart.
PortProblem ProblemOf(const QSerialPort& port, const QString& deviceName) {
    if (port.error() == QSerialPort::DeviceNotFoundError) return PortProblem::kNoDevice;
    if (port.error() == QSerialPort::UnsupportedOperationError) return PortProblem::kNotSerial;
    if (port.error() != QSerialPort::PermissionError) return PortProblem::kInUse;
    if (access(QFile::encodeName(deviceName).constData(), R_OK | W_OK) != 0) {
        return PortProblem::kNoPermission;
    }
    return PortProblem::kInUse;
}

}  // namespace

SerialFlags DriverFlags() {
    return {[](PortHandle handle) -> std::optional<int> {
                serial_struct serial{};
                if (::ioctl(handle, TIOCGSERIAL, &serial) != 0) return {};  // not a serial driver
                return serial.flags;
            },
            [](PortHandle handle, int flags) {
                serial_struct serial{};
                if (::ioctl(handle, TIOCGSERIAL, &serial) != 0) return false;
                serial.flags = flags;
                return ::ioctl(handle, TIOCSSERIAL, &serial) == 0;
            }};
}

QtSerialPort::QtSerialPort(QObject* parent, SerialFlags flags)
    : SerialDevice(parent), flags_(std::move(flags)) {
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialPort::BytesArrived);
    // Queued: the error may come from inside a write or read of the port itself, which must not
    // see the port closed under it.
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::CloseIfGone,
            Qt::QueuedConnection);
}

PortProblem QtSerialPort::Open(const QString& deviceName, Use use) {
    Close();
    port_.setPortName(deviceName);
    port_.setBaudRate(QSerialPort::Baud19200);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        const PortProblem problem = ProblemOf(port_, deviceName);
        port_.clearError();
        return problem;
    }
    if (use == Use::kProbe) return PortProblem::kNone;
    // The flag outlives the program in the driver: Close gives back what was found.
    foundFlags_ = flags_.get(port_.handle());
    lowLatency_ = foundFlags_ && flags_.set(port_.handle(), *foundFlags_ | ASYNC_LOW_LATENCY);
    if (!port_.setRequestToSend(true)) port_.clearError();  // no modem lines: harmless
    return PortProblem::kNone;
}

QtSerialPort::~QtSerialPort() { Close(); }

void QtSerialPort::Close() {
    if (port_.isOpen() && lowLatency_) flags_.set(port_.handle(), *foundFlags_);
    if (port_.isOpen()) port_.close();
    port_.clearError();
    foundFlags_.reset();
    lowLatency_ = false;
}

bool QtSerialPort::Output(std::uint8_t byte) {
    if (!port_.isOpen()) return false;
    const char c = static_cast<char>(byte);
    if (port_.write(&c, 1) != 1) return false;
    port_.flush();  // out now, not when the event loop next runs
    return true;
}

// Bytes reach the port's buffer as the event loop hands them over, announced by readyRead; a
// step runs from the same loop, so it sees every byte received up to its turn. (Fetching more
// from the system here would race the port's own read notifier, whose read would then find
// nothing, which Qt reports as a lost resource.)
std::optional<Bytes> QtSerialPort::Input() {
    CloseIfGone();
    if (!port_.isOpen()) return std::nullopt;
    const QByteArray data = port_.readAll();
    return Bytes(data.begin(), data.end());
}

std::size_t QtSerialPort::Waiting() {
    CloseIfGone();
    return port_.isOpen() ? static_cast<std::size_t>(port_.bytesAvailable()) : 0;
}

void QtSerialPort::CloseIfGone() {
    if (!port_.isOpen() || !Gone(port_.error())) return;
    Close();
    emit LineGone();
}

}  // namespace kdx
