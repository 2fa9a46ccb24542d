#include "link/qt/win/WinSerialDevice.h"

#include <QMetaObject>
#include <algorithm>
#include <memory>
#include <string>

namespace kdx {
namespace {

// A pending read ends after this long without a byte and is started again.
constexpr DWORD kReadWaitMs = 200;

// Why CreateFileW refused a port. Windows reports a port that another program holds as access
// denied, so that is "in use" here; only a missing privilege is a permission problem.
PortProblem ProblemOf(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            return PortProblem::kInUse;
        case ERROR_PRIVILEGE_NOT_HELD:
            return PortProblem::kNoPermission;
        default:  // ERROR_FILE_NOT_FOUND and its kin
            return PortProblem::kNoDevice;
    }
}

// A read that ran out its time ends with one of these on some drivers, with success on others.
bool TimedOut(DWORD error) {
    return error == ERROR_TIMEOUT || error == ERROR_SEM_TIMEOUT || error == ERROR_COUNTER_TIMEOUT;
}

}  // namespace

// A read in flight: the driver writes into it until the read ends, whatever becomes of the
// device, and its APC frees it.
struct WinSerialDevice::Read {
    OVERLAPPED overlapped{};  // first: the APC's pointer is the Read's
    WinSerialDevice* device = nullptr;
    ULONGLONG since = GetTickCount64();
    std::array<std::uint8_t, 64> bytes{};
};

WinSerialDevice::WinSerialDevice(QObject* parent) : SerialDevice(parent) {
    write_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // manual-reset, as I/O wants
}

WinSerialDevice::~WinSerialDevice() {
    Close();
    CloseHandle(write_.hEvent);
}

PortProblem WinSerialDevice::Open(const QString& device, Use use) {
    Close();
    // The device namespace reaches COM10 and above too, which the bare name does not.
    const QString prefix = QStringLiteral("\\\\.\\");
    const QString path = device.startsWith(prefix) ? device : prefix + device;
    handle_ = CreateFileW(path.toStdWString().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                          OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) return ProblemOf(GetLastError());
    if (!Configure(use == Use::kTransfer)) {
        Close();
        return PortProblem::kNotSerial;
    }
    // A probe only opens and closes: nothing to listen for.
    if (use == Use::kTransfer) Listen();
    return IsOpen() ? PortProblem::kNone : PortProblem::kNotSerial;
}

bool WinSerialDevice::Configure(bool raiseLines) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle_, &dcb)) return false;  // a file or some other device
    dcb.BaudRate = CBR_19200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    // DTR and RTS up, as opening a serial device on Linux leaves them. RTS goes with the
    // settings: a line without modem lines (wine's pseudo-terminal) refuses it as a call of
    // its own, and the transfers never look at it anyway.
    // A probe leaves them down.
    dcb.fDtrControl = raiseLines ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    dcb.fRtsControl = raiseLines ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    // A read ends when it has its bytes or after kReadWaitMs: one for a single byte is the
    // arrival notice, one for the bytes already in ends at once. A write gets its byte time and
    // a wide margin.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadTotalTimeoutConstant = kReadWaitMs;
    timeouts.WriteTotalTimeoutConstant = 500;
    return SetCommState(handle_, &dcb) && SetCommTimeouts(handle_, &timeouts) &&
           PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR);
}

void WinSerialDevice::Close() {
    if (!IsOpen()) return;
    if (read_) {
        // Not waited for: a driver may not cancel at once (wine's real serial ports do not).
        read_->device = nullptr;
        CancelIoEx(handle_, &read_->overlapped);
        read_ = nullptr;
    }
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    received_.clear();
}

void WinSerialDevice::Listen() {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle_, &errors, &status)) return Gone();
    auto read = std::make_unique<Read>();
    read->device = this;
    const DWORD want = std::clamp<DWORD>(status.cbInQue, 1, read->bytes.size());
    if (!ReadFileEx(handle_, read->bytes.data(), want, &read->overlapped, &ReadDone)) {
        return Gone();
    }
    read_ = read.release();
}

void CALLBACK WinSerialDevice::ReadDone(DWORD error, DWORD got, OVERLAPPED* overlapped) {
    const std::unique_ptr<Read> read(reinterpret_cast<Read*>(overlapped));
    WinSerialDevice* device = read->device;
    if (!device) return;  // taken by a poll already, or the port closed
    device->read_ = nullptr;
    if (device->Ended(*read, error, got)) emit device->BytesArrived();
}

bool WinSerialDevice::Collect() {
    if (!read_ || !HasOverlappedIoCompleted(&read_->overlapped)) return false;
    Read* read = std::exchange(read_, nullptr);
    read->device = nullptr;  // its APC, still to come, only frees it
    DWORD got = 0;
    const bool done = GetOverlappedResult(handle_, &read->overlapped, &got, FALSE);
    return Ended(*read, done ? ERROR_SUCCESS : GetLastError(), got);
}

bool WinSerialDevice::Ended(const Read& read, DWORD error, DWORD got) {
    if (error != ERROR_SUCCESS && !TimedOut(error)) {
        Gone();
        return false;
    }
    if (error != ERROR_SUCCESS) got = 0;
    // Nothing long before the read's time ran out: the other end has closed (a pseudo-terminal
    // reads as at its end from then on).
    if (got == 0 && GetTickCount64() - read.since < kReadWaitMs / 2) {
        Gone();
        return false;
    }
    received_.insert(received_.end(), read.bytes.begin(), read.bytes.begin() + got);
    Listen();
    return got > 0;
}

bool WinSerialDevice::Output(std::uint8_t byte) {
    if (!IsOpen()) return false;
    DWORD done = 0;
    const BOOL started = WriteFile(handle_, &byte, 1, nullptr, &write_);
    if ((!started && GetLastError() != ERROR_IO_PENDING) ||
        !GetOverlappedResult(handle_, &write_, &done, TRUE)) {
        Gone();
        return false;
    }
    return done == 1;  // a write that timed out moved nothing, but the line is still there
}

std::optional<Bytes> WinSerialDevice::Input() {
    Collect();
    if (!IsOpen()) return std::nullopt;
    return std::exchange(received_, {});
}

std::size_t WinSerialDevice::Waiting() {
    Collect();
    return IsOpen() ? received_.size() : 0;
}

void WinSerialDevice::Gone() {
    Close();
    // Queued: this may run inside the engine's own call of Input or Output. A port opened again
    // meanwhile has not gone.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!IsOpen()) emit LineGone();
        },
        Qt::QueuedConnection);
}

}  // namespace kdx
