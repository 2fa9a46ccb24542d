#pragma once

#include <windows.h>

#include <array>

#include "link/qt/SerialDevice.h"

namespace kdx {

// A COM port through the Win32 API, at the module's fixed settings. While a transfer port is
// open, an overlapped read for the next byte is always pending: its completion is the arrival
// notice, an APC run within the alertable wait of the event loop the moment a byte is in (the
// timer's expiries come the same way). Drivers keep such reads (serial ports, USB converters,
// wine's pseudo-terminals), where a WaitCommEvent may come late or not at all. Writes complete
// before Output returns.
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
    struct Read;
    static void CALLBACK ReadDone(DWORD error, DWORD got, OVERLAPPED* overlapped);

    bool Configure(bool raiseLines);
    // Starts the read for the next byte; one for the bytes already in ends at once.
    void Listen();
    // Takes what the pending read has brought if it has ended, before its APC has run, and
    // listens again; true when new bytes came.
    bool Collect();
    // Takes the bytes of the read that has ended and listens again; false when the line has
    // gone.
    bool Ended(const Read& read, DWORD error, DWORD got);
    void Gone();

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    OVERLAPPED write_{};
    // The pending read; its APC frees it, and finds no device once the read is taken or the
    // port closed.
    Read* read_ = nullptr;
    Bytes received_;  // taken from the driver, not yet by Input
};

}  // namespace kdx
