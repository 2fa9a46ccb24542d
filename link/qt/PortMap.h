#pragma once

#include <QString>
#include <QStringList>

namespace kdx {

inline constexpr int kPortCount = 6;  // COM1 to COM6

// Which device stands behind each port number 1 to 6. On Windows port k is COMk; elsewhere it is
// the k-th serial device of the machine, by device path. A program may list more devices after
// the machine's (the window: the virtual modules the user runs); tests put pseudo-terminals here.
class PortMap {
  public:
    // The machine's own ports.
    PortMap();
    // The given devices, first for port 1; an empty name or a missing entry is no device.
    explicit PortMap(QStringList devices);

    // The device for port k, or "" when there is none.
    QString Device(int k) const;

  private:
    QStringList devices_;
};

}  // namespace kdx
