#pragma once

#include <sys/types.h>
#include <QString>
#include <optional>

#include "link/PortProblem.h"

namespace kdx {

// One program per serial device, whoever runs it and by whatever name it reaches the device.
// Two locks, both on the device itself (its path with every link resolved):
// - the lock file that serial programs on the machine honour: /var/lock/LCK..ttyUSB0 (for
//   /dev/pts/3 LCK..pts_3) holding the holder's PID as ten ASCII characters and a newline. One
//   left by a process that has ended is taken over where this user may remove it, and passed
//   over (with a note) where not: a plain user cannot remove root's file from the shared folder.
// - flock() on the open descriptor, which root cannot pass either, and which the system lets go
//   when the holder ends, however it ends.
class DeviceLock {
  public:
    DeviceLock() = default;
    ~DeviceLock() { Release(); }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

    // The device behind a name, or why there is none to lock (kNoDevice, kNoPermission,
    // kNotSerial for a folder or a plain file).
    static PortProblem Resolve(const QString& device, QString& resolved);

    // Takes the lock file of a resolved device; kInUse when a live process holds it.
    PortProblem TakeFile(const QString& resolved);
    // Takes the descriptor's lock; false when another open description holds it.
    static bool TakeDescriptor(int fd);
    // Removes the lock file if this one made it (and it still holds this process's PID).
    void Release();

    // The lock file of a device given by any of its names, or empty.
    static QString LockFileOf(const QString& device);
    // The PID that a lock file names, if it names one.
    static std::optional<pid_t> HolderOf(const QString& lockFile);

  private:
    QString taken_;  // the lock file this one made
};

// The PID and program of the process that holds a device's lock file, as far as the system
// tells ("PID 1234, minicom"); empty when no live process does.
QString LockHolder(const QString& device);

// A lock file of the device left by a process that has ended and that this user cannot remove,
// in words; empty when there is none.
QString StaleLockNote(const QString& device);

}  // namespace kdx
