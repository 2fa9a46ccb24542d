#include "link/qt/linux/DeviceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace kdx {
namespace {

// /var/lock leads to /run/lock on current systems; both are the same folder then.
constexpr const char* kLockFolder = "/var/lock";
// A lock file that names no PID may be one being written; only an old one is stale.
constexpr time_t kUnreadableGrace = 10;

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

// Names from the system (a program's, a device's) go into messages: nothing of them may drive
// a terminal.
QString Shown(QString text) {
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control) c = '?';
    }
    return text;
}

bool Alive(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

enum class Holder { kNone, kAlive, kStale };

// Whether a lock file is held by a live process, left by an ended one, or not there.
Holder Examine(const QString& lockFile, std::optional<pid_t>& pid) {
    struct stat info {};
    if (::lstat(Native(lockFile).constData(), &info) != 0) return Holder::kNone;
    if (!S_ISREG(info.st_mode)) return Holder::kStale;  // no program's lock file
    pid = DeviceLock::HolderOf(lockFile);
    if (pid) return Alive(*pid) ? Holder::kAlive : Holder::kStale;
    return std::time(nullptr) - info.st_mtime > kUnreadableGrace ? Holder::kStale : Holder::kAlive;
}

}  // namespace

PortProblem DeviceLock::Resolve(const QString& device, QString& resolved) {
    char* real = ::realpath(Native(device).constData(), nullptr);
    if (real == nullptr) {
        return errno == EACCES ? PortProblem::kNoPermission : PortProblem::kNoDevice;
    }
    resolved = QFile::decodeName(real);
    std::free(real);
    struct stat info {};
    if (::stat(Native(resolved).constData(), &info) != 0) return PortProblem::kNoDevice;
    if (!S_ISCHR(info.st_mode)) return PortProblem::kNotSerial;
    return PortProblem::kNone;
}

QString DeviceLock::LockFileOf(const QString& device) {
    QString resolved;
    if (Resolve(device, resolved) != PortProblem::kNone) return {};
    // As other serial programs name it: the path below /dev, with '_' for '/'.
    QString name = resolved.startsWith("/dev/") ? resolved.mid(5) : resolved;
    name.replace('/', '_');
    return QString(kLockFolder) + "/LCK.." + name;
}

std::optional<pid_t> DeviceLock::HolderOf(const QString& lockFile) {
    // Neither a link nor a FIFO that someone put there holds us up.
    const int fd =
        ::open(Native(lockFile).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    char text[64];
    const ssize_t size = ::read(fd, text, sizeof text);
    ::close(fd);
    if (size <= 0) return std::nullopt;
    // Ten characters and a newline; Qt's lock files have the PID on their first line too.
    const QByteArray line = QByteArray(text, size).split('\n').value(0).trimmed();
    bool ok = false;
    const long pid = line.toLong(&ok);
    if (!ok || pid <= 0) return std::nullopt;
    return static_cast<pid_t>(pid);
}

PortProblem DeviceLock::TakeFile(const QString& resolved) {
    Release();
    QString name = resolved.startsWith("/dev/") ? resolved.mid(5) : resolved;
    name.replace('/', '_');
    const QString lockFile = QString(kLockFolder) + "/LCK.." + name;
    // Where this user may make no lock file, the descriptor's lock guards alone; another's
    // lock file is honoured all the same.
    auto othersOnly = [&] {
        std::optional<pid_t> pid;
        return Examine(lockFile, pid) == Holder::kAlive ? PortProblem::kInUse : PortProblem::kNone;
    };
    if (::access(kLockFolder, W_OK | X_OK) != 0) return othersOnly();

    char content[16];
    std::snprintf(content, sizeof content, "%10ld\n", static_cast<long>(::getpid()));
    // Written whole under a name of its own and then linked in place: nobody ever reads a
    // lock file without its PID.
    const QByteArray draft = Native(lockFile + QString(".%1").arg(::getpid()));
    // Never through a link or into a file someone else put there: the folder is everyone's.
    ::unlink(draft.constData());
    const int fd =
        ::open(draft.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return othersOnly();
    const bool written = ::write(fd, content, 11) == 11;
    ::fchmod(fd, 0644);  // readable by all, whatever the umask, so they can see the holder
    ::close(fd);
    PortProblem problem = PortProblem::kNone;
    for (int attempt = 0; written && attempt < 3; ++attempt) {
        if (::link(draft.constData(), Native(lockFile).constData()) == 0) {
            taken_ = lockFile;
            break;
        }
        if (errno != EEXIST) {  // no lock file then: the descriptor's lock guards
            problem = othersOnly();
            break;
        }
        std::optional<pid_t> pid;
        const Holder holder = Examine(lockFile, pid);
        if (holder == Holder::kAlive) {
            problem = PortProblem::kInUse;
            break;
        }
        // Left by a process that has ended: taken over where this user may remove it, passed
        // over where not (StaleLockNote says so).
        if (holder == Holder::kStale && ::unlink(Native(lockFile).constData()) != 0) break;
    }
    ::unlink(draft.constData());
    return problem;
}

bool DeviceLock::TakeDescriptor(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0; }

void DeviceLock::Release() {
    if (taken_.isEmpty()) return;
    // Only our own: one that another took over meanwhile stays.
    if (HolderOf(taken_) == ::getpid()) ::unlink(Native(taken_).constData());
    taken_.clear();
}

QString LockHolder(const QString& device) {
    const QString lockFile = DeviceLock::LockFileOf(device);
    std::optional<pid_t> pid;
    if (lockFile.isEmpty() || Examine(lockFile, pid) != Holder::kAlive || !pid) return {};
    QFile comm(QString("/proc/%1/comm").arg(*pid));
    const QString program = comm.open(QIODevice::ReadOnly)
                                ? Shown(QString::fromLocal8Bit(comm.readAll().trimmed()))
                                : QString();
    return program.isEmpty() ? QString("PID %1").arg(*pid)
                             : QString("PID %1, %2").arg(*pid).arg(program);
}

QString StaleLockNote(const QString& device) {
    const QString lockFile = DeviceLock::LockFileOf(device);
    std::optional<pid_t> pid;
    if (lockFile.isEmpty() || Examine(lockFile, pid) != Holder::kStale) return {};
    return QString(
               "zámek %1 zbyl po programu, který už neběží%2; nelze jej odstranit, zařízení "
               "chrání zámek na otevřeném zařízení")
        .arg(Shown(lockFile))
        .arg(pid ? QString(" (PID %1)").arg(*pid) : QString());
}

}  // namespace kdx
