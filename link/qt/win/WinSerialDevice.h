#pragma once

#include <windows.h>

#include <QWinEventNotifier>

#include "link/qt/SerialDevice.h"
#include "link/qt/win/WinTickTimer.h"

namespace kdx {

// A COM port through the Win32 API, at the module's fixed settings. The handle is overlapped so
// that a pending WaitCommEvent announces arriving bytes through the event loop; reads and writes
// on it complete at once (a read takes only what is there). A driver without such waits, or
// that gives them up on its own (wine's on a pseudo-terminal), gets its arrivals looked for
// every millisecond instead.
class WinSerialDevice : public SerialDevice {
    Q_OBJECT
  public:
    explicit WinSerialDevice(QObject* parent = nullptr);
    ~WinSerialDevice() override;

    PortProblem Open(const QString& device, Use use = Use::kTransfer) override;
    void Close() override;
    bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

    bool Output(std::uint8_t byte) override;
    std::optional<Bytes> Input() override;
    std::size_t Waiting() override;

  private:
    bool Configure(bool raiseLines);
    // Asks the driver to signal the next received byte.
    void WatchArrivals();
    void ArrivalSignalled();
    // Announces the bytes that have come in since the last look.
    void NoticeArrivals();
    // Completes a read or write started on io_: the bytes it moved, or nothing when the line
    // failed (and has gone).
    std::optional<DWORD> Finish(BOOL started);
    void Gone();

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    OVERLAPPED io_{};       // reads and writes, completed before they return
    OVERLAPPED arrival_{};  // the pending WaitCommEvent
    DWORD events_ = 0;
    bool watching_ = false;
    std::size_t noticed_ = 0;  // bytes waiting at the last look
    QWinEventNotifier notifier_;
    WinTickTimer poll_;
};

}  // namespace kdx
