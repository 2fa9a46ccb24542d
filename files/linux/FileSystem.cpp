#include "files/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <csignal>
#include <cstdlib>

namespace kdx::files {
namespace {

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

// The system's reason in the program's language; the messages are all Czech.
QString Reason(int error) {
    switch (error) {
        case ENOSPC:
            return "na disku není místo";
        case EDQUOT:
            return "překročena disková kvóta";
        case ENAMETOOLONG:
            return "jméno souboru je příliš dlouhé";
        case EACCES:
        case EPERM:
            return "chybí oprávnění";
        case EROFS:
            return "disk je jen pro čtení";
        case ENOENT:
            return "soubor nebo složka neexistuje";
        case ENOTDIR:
            return "část cesty není složka";
        case EISDIR:
            return "je to adresář, ne soubor";
        case ELOOP:
            return "příliš mnoho symbolických odkazů za sebou";
        case EIO:
            return "chyba vstupu a výstupu disku";
        case EFBIG:
            return "soubor je příliš velký";
        case EMFILE:
        case ENFILE:
            return "příliš mnoho otevřených souborů";
        case EBUSY:
        case ETXTBSY:
            return "soubor používá jiný program";
        case EXDEV:
            return "soubor nelze přesunout na jiný disk";
        default:
            return QString("systémová chyba č. %1").arg(error);
    }
}

QString LastReason() { return Reason(errno); }

// Holds SIGINT, SIGTERM, SIGHUP and SIGQUIT back while it lives: a save they would cut short
// could leave its temporary file behind, so they end the program only once it is renamed or
// removed.
class HeldSignals {
  public:
    HeldSignals() {
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&held, signal);
        pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~HeldSignals() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;

  private:
    sigset_t previous_;
};

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // close() reports what a delayed write (NFS) could not do.
    bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }

  private:
    int fd_;
};

}  // namespace

std::optional<QByteArray> ReadRegular(const QString& path, qint64 maxBytes, QString& why,
                                      bool& tooLarge) {
    tooLarge = false;
    // Without blocking, and checked again once open, should the name have come to stand for a
    // FIFO or a device since the caller's check.
    Descriptor fd(::open(Native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        why = LastReason();
        return std::nullopt;
    }
    struct stat opened {};
    if (::fstat(fd.get(), &opened) != 0) {
        why = LastReason();
        return std::nullopt;
    }
    if (!S_ISREG(opened.st_mode)) {
        why = "není obyčejný soubor (zařízení, roura nebo soket?)";
        return std::nullopt;
    }
    QByteArray content;
    char buffer[16384];
    while (content.size() <= maxBytes) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n == 0) return content;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = "chyba čtení: " + LastReason();
            return std::nullopt;
        }
        content.append(buffer, n);
    }
    // It grew since the check, or it is a file whose size the system does not know (/proc).
    tooLarge = true;
    return std::nullopt;
}

int NameCount(const QString& path) {
    struct stat info {};
    if (::stat(Native(path).constData(), &info) != 0) return 1;
    return static_cast<int>(info.st_nlink);
}

bool CanCreateIn(const QString& folder, QString& why) {
    struct stat info {};
    const QByteArray name = Native(folder.isEmpty() ? "." : folder);
    if (::stat(name.constData(), &info) != 0) {
        why = errno == ENOENT ? QString("složka neexistuje") : LastReason();
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        why = "část cesty není složka";
        return false;
    }
    if (::access(name.constData(), W_OK | X_OK) != 0) {
        why = "do složky nelze zapisovat: " + LastReason();
        return false;
    }
    return true;
}

bool SameFile(const QString& one, const QString& other) {
    // A name not there yet: its folder's identity and its last part.
    auto identity = [](const QString& path,
                       QString& last) -> std::optional<std::pair<dev_t, ino_t>> {
        struct stat info {};
        if (::stat(Native(path).constData(), &info) == 0)
            return std::pair(info.st_dev, info.st_ino);
        const QFileInfo name(path);
        last = name.fileName();
        if (::stat(Native(name.absolutePath()).constData(), &info) == 0) {
            return std::pair(info.st_dev, info.st_ino);
        }
        return std::nullopt;
    };
    QString oneLast, otherLast;
    const auto a = identity(one, oneLast);
    const auto b = identity(other, otherLast);
    return a && b && *a == *b && oneLast == otherLast;
}

bool WriteAndRename(const QString& path, const QByteArray& content, QString& why,
                    QString& warning) {
    // Through a symbolic link the file it leads to is replaced, and the link stays.
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const QString target = canonical.isEmpty() ? path : canonical;
    struct stat old {};
    const bool replacing = ::stat(Native(target).constData(), &old) == 0;
    // Destroyed last, so a signal ends the program only once the temporary file is gone.
    const HeldSignals held;

    const QFileInfo info(target);
    QString temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary =
            info.absolutePath() + "/." + info.fileName() +
            QString(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QChar('0'));
        // A new file gets the mode the user's umask gives any new file.
        fd = ::open(Native(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    replacing ? (old.st_mode & 07777) : 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        why = LastReason();
        return false;
    }
    Descriptor file(fd);
    const QByteArray tempName = Native(temporary);
    auto fail = [&](const QString& reason) {
        why = reason;
        ::unlink(tempName.constData());
        return false;
    };
    for (qsizetype written = 0; written < content.size();) {
        const ssize_t n = ::write(fd, content.constData() + written,
                                  static_cast<size_t>(content.size() - written));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(LastReason());
        written += n;
    }
    if (replacing) {
        if (::fchmod(fd, old.st_mode & 07777) != 0) return fail(LastReason());
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            warning = "vlastníka a skupinu původního souboru nelze zachovat: " + LastReason();
        }
    }
    if (::fsync(fd) != 0 || !file.Close()) return fail(LastReason());
    if (::rename(tempName.constData(), Native(target).constData()) != 0) {
        return fail(LastReason());
    }
    return true;
}

}  // namespace kdx::files
