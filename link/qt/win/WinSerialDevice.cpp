#include "link/qt/win/WinSerialDevice.h"

#include <QMetaObject>
#include <string>

namespace kdx {
namespace {

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

}  // namespace

WinSerialDevice::WinSerialDevice(QObject* parent) : SerialDevice(parent) {
    // Manual-reset events, as overlapped I/O wants them.
    io_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    arrival_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    notifier_.setHandle(arrival_.hEvent);
    connect(&notifier_, &QWinEventNotifier::activated, this, &WinSerialDevice::ArrivalSignalled);
    poll_.SetInterval(std::chrono::milliseconds{1});
    connect(&poll_, &TickTimer::Tick, this, &WinSerialDevice::NoticeArrivals);
}

WinSerialDevice::~WinSerialDevice() {
    Close();
    CloseHandle(io_.hEvent);
    CloseHandle(arrival_.hEvent);
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
    notifier_.setEnabled(true);
    WatchArrivals();
    return PortProblem::kNone;
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
    // A read returns at once with what has come; a write gets its byte time and a wide margin.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutConstant = 500;
    return SetCommState(handle_, &dcb) && SetCommTimeouts(handle_, &timeouts) &&
           SetCommMask(handle_, EV_RXCHAR) && PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR);
}

void WinSerialDevice::Close() {
    if (!IsOpen()) return;
    poll_.Off();
    noticed_ = 0;
    notifier_.setEnabled(false);
    if (watching_) {
        // The pending wait writes into arrival_ and events_: it must end before they go. A new
        // mask ends it where cancelling does not (wine on a real serial port).
        SetCommMask(handle_, 0);
        CancelIoEx(handle_, &arrival_);
        DWORD unused = 0;
        GetOverlappedResult(handle_, &arrival_, &unused, TRUE);
        watching_ = false;
    }
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

void WinSerialDevice::WatchArrivals() {
    ResetEvent(arrival_.hEvent);
    events_ = 0;
    if (WaitCommEvent(handle_, &events_, &arrival_)) {
        SetEvent(arrival_.hEvent);  // done at once: handled like one that ends later
    } else if (GetLastError() != ERROR_IO_PENDING) {
        return poll_.On();  // a driver without such waits
    }
    watching_ = true;
}

void WinSerialDevice::ArrivalSignalled() {
    if (!watching_) return;
    DWORD unused = 0;
    if (!GetOverlappedResult(handle_, &arrival_, &unused, FALSE)) {
        const DWORD error = GetLastError();
        if (error == ERROR_IO_INCOMPLETE) return;
        watching_ = false;
        if (error != ERROR_OPERATION_ABORTED) return Gone();
        // Only Close cancels a wait, and it does not come here: the driver gave it up, and
        // will again.
        poll_.On();
        return NoticeArrivals();
    }
    watching_ = false;
    WatchArrivals();
    // Bytes that came in before the new wait began signal nothing of their own: look for them.
    NoticeArrivals();
}

void WinSerialDevice::NoticeArrivals() {
    const std::size_t waiting = Waiting();
    if (waiting > noticed_) emit BytesArrived();
    noticed_ = waiting;
}

std::optional<DWORD> WinSerialDevice::Finish(BOOL started) {
    DWORD done = 0;
    if ((started || GetLastError() == ERROR_IO_PENDING) &&
        GetOverlappedResult(handle_, &io_, &done, TRUE)) {
        return done;
    }
    Gone();
    return std::nullopt;
}

bool WinSerialDevice::Output(std::uint8_t byte) {
    if (!IsOpen()) return false;
    const std::optional<DWORD> written = Finish(WriteFile(handle_, &byte, 1, nullptr, &io_));
    return written == 1u;  // a write that timed out moved nothing, but the line is still there
}

std::optional<Bytes> WinSerialDevice::Input() {
    const std::size_t waiting = Waiting();
    if (!IsOpen()) return std::nullopt;
    Bytes bytes(waiting);
    if (waiting == 0) return bytes;
    const std::optional<DWORD> got =
        Finish(ReadFile(handle_, bytes.data(), static_cast<DWORD>(waiting), nullptr, &io_));
    if (!got) return std::nullopt;
    bytes.resize(*got);
    noticed_ = 0;
    return bytes;
}

std::size_t WinSerialDevice::Waiting() {
    if (!IsOpen()) return 0;
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle_, &errors, &status)) {
        Gone();
        return 0;
    }
    return status.cbInQue;
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
