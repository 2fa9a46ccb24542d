// One program per device: the locks of the Linux serial port, on pseudo-terminals.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "link/qt/Platform.h"
#include "link/qt/linux/DeviceLock.h"
#include "link/qt/linux/QtSerialPort.h"

namespace kdx {
namespace {

using Use = SerialDevice::Use;

// A pseudo-terminal's far end, held for the test; the near end is the device.
struct Terminal {
    Terminal() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0) {
            device = QString::fromLocal8Bit(::ptsname(master));
        }
    }
    ~Terminal() {
        QFile::remove(DeviceLock::LockFileOf(device));  // whatever a test left
        ::close(master);
    }
    void WriteLockFile(const QByteArray& content) const {
        QFile file(DeviceLock::LockFileOf(device));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    int master = -1;
    QString device;
};

// A PID that no process has any more.
pid_t DeadPid() {
    const pid_t child = ::fork();
    if (child == 0) _exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

QByteArray LockLine(pid_t pid) { return QString("%1\n").arg(pid, 10).toLatin1(); }

// Root passes the line's exclusive mode; neither lock lets it through.
TEST(PortLock, OneDeviceByTwoNamesIsOpenedOnce) {
    Terminal line;
    ASSERT_FALSE(line.device.isEmpty());
    QTemporaryDir dir;
    const QString link = dir.filePath("port");
    ASSERT_TRUE(QFile::link(line.device, link));

    QtSerialPort first;
    ASSERT_EQ(first.Open(line.device, Use::kProbe), PortProblem::kNone);
    QtSerialPort second;
    EXPECT_EQ(second.Open(link, Use::kProbe), PortProblem::kInUse);
    EXPECT_TRUE(PortProblemText(PortProblem::kInUse, link)
                    .endsWith(QString("(PID %1, link_tests)").arg(::getpid())))
        << PortProblemText(PortProblem::kInUse, link).toStdString();

    // Without its lock file the device is still guarded by the descriptor's lock.
    ASSERT_TRUE(QFile::remove(DeviceLock::LockFileOf(line.device)));
    EXPECT_EQ(second.Open(link, Use::kProbe), PortProblem::kInUse);
    first.Close();
    EXPECT_EQ(second.Open(link, Use::kProbe), PortProblem::kNone);
}

// Ten characters and a newline, and gone with the port.
TEST(PortLock, ALockFileOfAnEndedProgramIsTakenOver) {
    Terminal line;
    line.WriteLockFile(LockLine(DeadPid()));
    QtSerialPort port;
    ASSERT_EQ(port.Open(line.device, Use::kProbe), PortProblem::kNone);
    QFile lock(DeviceLock::LockFileOf(line.device));
    ASSERT_TRUE(lock.open(QIODevice::ReadOnly));
    EXPECT_EQ(lock.readAll(), LockLine(::getpid()));
    port.Close();
    EXPECT_FALSE(lock.exists());
}

// After root's program was killed, a plain user cannot remove its lock file from the shared
// folder: the port opens all the same, with a word about the file. (The line stays held by
// another, as the virtual module holds its pseudo-terminal.)
TEST(PortLock, AKilledRootsPortOpensForAPlainUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to play both users";
    Terminal line;
    const int held = ::open(QFile::encodeName(line.device).constData(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(::chmod(QFile::encodeName(line.device).constData(), 0666), 0);
    auto run = [](const std::function<int()>& body) {
        const pid_t child = ::fork();
        if (child == 0) _exit(body());
        int status = 0;
        ::waitpid(child, &status, 0);
        return WEXITSTATUS(status);
    };
    // Never closed: the child ends as if killed.
    ASSERT_EQ(run([&] { return int((new QtSerialPort)->Open(line.device, Use::kProbe)); }), 0);
    ASSERT_TRUE(QFile::exists(DeviceLock::LockFileOf(line.device)));
    EXPECT_EQ(run([&] {
                  if (::setgid(65534) != 0 || ::setuid(65534) != 0) return 3;
                  QtSerialPort port;
                  if (port.Open(line.device, Use::kProbe) != PortProblem::kNone) return 1;
                  return PortLockNote(line.device).contains("už neběží") ? 0 : 2;
              }),
              0);
    ::close(held);
}

TEST(PortLock, WhatIsNoSerialDeviceSaysSo) {
    QTemporaryDir dir;
    QFile(dir.filePath("file")).open(QIODevice::WriteOnly);
    const std::pair<QString, PortProblem> cases[] = {
        {dir.path(), PortProblem::kNotSerial},
        {dir.filePath("file"), PortProblem::kNotSerial},
        {"/dev/null", PortProblem::kNotSerial},
        {dir.filePath("none"), PortProblem::kNoDevice}};
    for (const auto& [device, problem] : cases) {
        QtSerialPort port;
        EXPECT_EQ(port.Open(device, Use::kProbe), problem) << device.toStdString();
        EXPECT_FALSE(port.IsOpen());
    }
}

}  // namespace
}  // namespace kdx
