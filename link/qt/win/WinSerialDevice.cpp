#include "link/qt/win/WinSerialDevice.h"

#include <QMetaObject>
#include <algorithm>
#include <string>

namespace kdx {
namespace {

// A pending read ends after this long without a byte and is started again. Only a read that
// closing cannot cancel (a driver that ignores cancelling) would make Close wait this long.
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

WinSerialDevice::WinSerialDevice(QObject* parent) : SerialDevice(parent) {
    // Manual-reset events, as overlapped I/O wants them.
    write_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    read_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    notifier_.setHandle(read_.hEvent);
    notifier_.setEnabled(true);
    connect(&notifier_, &QWinEventNotifier::activated, this, &WinSerialDevice::ReadEnded);
}

WinSerialDevice::~WinSerialDevice() {
    Close();
    notifier_.setEnabled(false);
    CloseHandle(write_.hEvent);
    CloseHandle(read_.hEvent);
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
    if (reading_) {
        // The pending read writes into read_ and incoming_: it must end before they go.
        CancelIoEx(handle_, &read_);
        DWORD unused = 0;
        GetOverlappedResult(handle_, &read_, &unused, TRUE);
        reading_ = false;
        ResetEvent(read_.hEvent);  // or its watcher would call on and on
    }
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    received_.clear();
}

void WinSerialDevice::Listen() {
    while (IsOpen()) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(handle_, &errors, &status)) return Gone();
        const DWORD want = std::clamp<DWORD>(status.cbInQue, 1, incoming_.size());
        readSince_ = GetTickCount64();
        if (!ReadFile(handle_, incoming_.data(), want, nullptr, &read_)) {
            if (GetLastError() != ERROR_IO_PENDING) return Gone();
            reading_ = true;
            return;
        }
        // Done at once: what was waiting.
        DWORD got = 0;
        GetOverlappedResult(handle_, &read_, &got, FALSE);
        if (!Took(got)) return;
    }
}

bool WinSerialDevice::Collect() {
    if (!reading_) return false;
    DWORD got = 0;
    if (!GetOverlappedResult(handle_, &read_, &got, FALSE)) {
        const DWORD error = GetLastError();
        if (error == ERROR_IO_INCOMPLETE) return false;
        reading_ = false;
        if (!TimedOut(error)) {
            Gone();
            return false;
        }
        got = 0;
    } else {
        reading_ = false;
    }
    const std::size_t before = received_.size();
    if (Took(got)) Listen();
    return received_.size() > before;
}

bool WinSerialDevice::Took(DWORD got) {
    // Nothing long before the read's time ran out: the other end has closed (a pseudo-terminal
    // reads as at its end from then on).
    if (got == 0 && GetTickCount64() - readSince_ < kReadWaitMs / 2) {
        Gone();
        return false;
    }
    received_.insert(received_.end(), incoming_.begin(), incoming_.begin() + got);
    return true;
}

void WinSerialDevice::ReadEnded() {
    if (!reading_) {
        ResetEvent(read_.hEvent);  // a read taken already, or the port closed
        return;
    }
    if (Collect()) emit BytesArrived();
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
