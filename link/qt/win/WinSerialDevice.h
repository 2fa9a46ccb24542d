#pragma once

#include <windows.h>

#include <QWinEventNotifier>
#include <array>

#include "link/qt/SerialDevice.h"

namespace kdx {

// A COM port through the Win32 API, at the module's fixed settings. While a transfer port is
// open, an overlapped read for the next byte is always pending: its completion is the arrival
// notice, delivered through the event loop the moment a byte is in. Drivers keep such reads
// (serial ports, USB converters, wine's pseudo-terminals), where a WaitCommEvent may come late
// or not at all. Writes complete before Output returns.
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
    // Starts the read for the next byte; bytes already in are taken at once.
    void Listen();
    // Takes what the pending read has brought, if it has ended, and listens again; true when
    // new bytes came.
    bool Collect();
    // Takes the bytes of a read that has ended; false when the line has gone.
    bool Took(DWORD got);
    void ReadEnded();
    void Gone();

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    OVERLAPPED write_{};
    OVERLAPPED read_{};
    bool reading_ = false;
    ULONGLONG readSince_ = 0;  // GetTickCount64 when the pending read began
    std::array<std::uint8_t, 64> incoming_{};
    Bytes received_;  // taken from the driver, not yet by Input
    QWinEventNotifier notifier_;
};

}  // namespace kdx
