#include "link/qt/linux/QtSerialPort.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

namespace kdx {
namespace {

PortProblem OpenProblem(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return PortProblem::kNoPermission;
        case EBUSY:  // held exclusively (TIOCEXCL) by a program that takes no lock
            return PortProblem::kInUse;
        default:  // ENOENT, ENODEV, ENXIO; EIO: a pseudo-terminal whose other end has closed
            return PortProblem::kNoDevice;
    }
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
    : SerialDevice(parent), flags_(std::move(flags)) {}

QtSerialPort::~QtSerialPort() { Close(); }

PortProblem QtSerialPort::Open(const QString& deviceName, Use use) {
    Close();
    QString device;
    if (const PortProblem problem = DeviceLock::Resolve(deviceName, device);
        problem != PortProblem::kNone) {
        return problem;
    }
    // The lock file first, as every serial program does: opening a line may already switch its
    // modem lines.
    if (const PortProblem problem = lock_.TakeFile(device); problem != PortProblem::kNone) {
        return problem;
    }
    fd_ = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        const PortProblem problem = OpenProblem(errno);
        lock_.Release();
        return problem;
    }
    PortProblem problem = PortProblem::kNone;
    termios settings{};
    if (!DeviceLock::TakeDescriptor(fd_)) {
        problem = PortProblem::kInUse;
    } else if (::tcgetattr(fd_, &settings) != 0) {
        problem = PortProblem::kNotSerial;
    }
    if (problem != PortProblem::kNone) {
        ::close(std::exchange(fd_, -1));
        lock_.Release();
        return problem;
    }
    // No exclusive mode (TIOCEXCL): root passes it anyway, and it outlives a holder that was
    // killed for as long as anything else holds the line (the virtual module holds its
    // pseudo-terminal), keeping every other user out. The two locks are the guard.
    if (use == Use::kProbe) return PortProblem::kNone;
    if (const PortProblem problem = Configure(use); problem != PortProblem::kNone) {
        Close();
        return problem;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { Receive(true); });
    return PortProblem::kNone;
}

PortProblem QtSerialPort::Configure(Use) {
    // 19200 baud, 8 data bits, no parity, 1 stop bit, no flow control; bytes as they are.
    termios settings{};
    if (::tcgetattr(fd_, &settings) != 0) return PortProblem::kNotSerial;
    ::cfmakeraw(&settings);
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (::cfsetispeed(&settings, B19200) != 0 || ::cfsetospeed(&settings, B19200) != 0 ||
        ::tcsetattr(fd_, TCSANOW, &settings) != 0) {
        return PortProblem::kNotSerial;
    }
    // The flag outlives the program in the driver: Close gives back what was found.
    foundFlags_ = flags_.get(fd_);
    lowLatency_ = foundFlags_ && flags_.set(fd_, *foundFlags_ | ASYNC_LOW_LATENCY);
    const int rts = TIOCM_RTS;
    ::ioctl(fd_, TIOCMBIS, &rts);  // no modem lines (a pseudo-terminal): harmless
    return PortProblem::kNone;
}

void QtSerialPort::Close() {
    if (fd_ >= 0) {
        notifier_.reset();
        if (lowLatency_) flags_.set(fd_, *foundFlags_);
        ::close(std::exchange(fd_, -1));  // and with it the descriptor's lock
    }
    lock_.Release();
    received_.clear();
    foundFlags_.reset();
    lowLatency_ = false;
}

bool QtSerialPort::Output(std::uint8_t byte) {
    if (fd_ < 0) return false;
    const char c = static_cast<char>(byte);
    ssize_t n = 0;
    while ((n = ::write(fd_, &c, 1)) < 0 && errno == EINTR) {
    }
    return n == 1;  // a line gone shows on the read side, which closes the port
}

void QtSerialPort::Receive(bool announce) {
    if (fd_ < 0) return;
    const qsizetype before = received_.size();
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            received_.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        // In raw mode "nothing now" reads as 0 or EAGAIN; a line that has gone (unplugged, the
        // other end closed) keeps reporting EIO, or hangs up.
        bool gone = n < 0 && errno != EAGAIN;
        if (!gone) {
            pollfd line{fd_, POLLIN, 0};
            gone = ::poll(&line, 1, 0) > 0 && (line.revents & (POLLHUP | POLLERR | POLLNVAL));
        }
        if (gone) {
            Close();
            emit LineGone();
            return;
        }
        break;
    }
    if (announce && received_.size() > before) emit BytesArrived();
}

std::optional<Bytes> QtSerialPort::Input() {
    Receive(false);  // the step that asks takes them; no signal to run it again
    if (fd_ < 0) return std::nullopt;
    Bytes bytes(received_.begin(), received_.end());
    received_.clear();
    return bytes;
}

std::size_t QtSerialPort::Waiting() {
    Receive(false);
    return fd_ >= 0 ? static_cast<std::size_t>(received_.size()) : 0;
}

}  // namespace kdx
