#include "files/ImageFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

#include "config/BufferText.h"
#include "config/Codec.h"
#include "files/SetupJson.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

namespace kdx {
namespace {

using Kind = FileError::Kind;

bool Fail(FileError& error, Kind kind, const QString& path, const QString& why) {
    error = {kind, path + ": " + why, {}};
    return false;
}

constexpr const char* kNotARegularFile = "není obyčejný soubor (zařízení, roura nebo soket?)";

// Why the file a name stands for (links followed) is no regular file, or nothing.
std::optional<QString> NotARegularFile(const QFileInfo& info) {
    if (info.isDir()) return "je to adresář, ne soubor";
    if (!info.isFile()) return kNotARegularFile;
    return std::nullopt;
}

#ifdef Q_OS_UNIX
QString SystemReason() { return QString::fromLocal8Bit(std::strerror(errno)); }

// Holds SIGINT, SIGTERM and SIGHUP back while it lives: a save they would cut short could leave
// its temporary file behind, so they end the program only once it is renamed or removed.
class HeldSignals {
  public:
    HeldSignals() {
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, signal);
        pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~HeldSignals() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;

  private:
    sigset_t previous_;
};
#endif

// A failing write shows in its own call: unbuffered, nothing is left for the final flush,
// whose failure QSaveFile::commit() would not notice.
bool WriteAll(QSaveFile& file, const QByteArray& content) {
    // A short write (a disk that just filled) is followed by one that fails with the reason.
    for (qint64 written = 0; written < content.size();) {
        const qint64 n = file.write(content.constData() + written, content.size() - written);
        if (n <= 0) return false;
        written += n;
    }
    return true;
}

}  // namespace

std::optional<QByteArray> ReadRegularFile(const QString& path, FileError& error) {
    auto refuse = [&](const QString& why, Kind kind = Kind::NotReadable) {
        Fail(error, kind, path, why);
        return std::nullopt;
    };
    // Everything but a regular file is refused before it is opened, so a FIFO cannot hold us
    // up and a device cannot feed us without end.
    const QFileInfo info(path);
    if (!info.exists()) return refuse("soubor neexistuje", Kind::Missing);
    if (const auto why = NotARegularFile(info)) return refuse(*why);
    if (info.size() > kMaxFileSize) {
        return refuse(QString("soubor má %1 bajtů, víc než 1 MiB").arg(info.size()));
    }

    QFile file;
#ifdef Q_OS_UNIX
    // Without blocking, and checked again once open, should the name have come to stand for a
    // FIFO or a device since the check.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return refuse(SystemReason());
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    struct stat opened {};
    if (::fstat(fd, &opened) != 0) return refuse(SystemReason());
    if (!S_ISREG(opened.st_mode)) return refuse(kNotARegularFile);
#else
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) return refuse(file.errorString());
#endif
    QByteArray content = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) return refuse("chyba čtení: " + file.errorString());
    // It grew since the check, or it is a file whose size the system does not know (/proc).
    if (content.size() > kMaxFileSize) return refuse("soubor je větší než 1 MiB");
    return content;
}

bool ReplaceFile(const QString& path, const QByteArray& content, FileError& error) {
    auto refuse = [&](const QString& why) { return Fail(error, Kind::NotSaved, path, why); };
    error.warning.clear();
    const QFileInfo target(path);
    if (target.exists()) {
        if (const auto why = NotARegularFile(target)) return refuse(*why);
    }
#ifdef Q_OS_UNIX
    struct stat old {};
    const bool replacing = ::stat(QFile::encodeName(path).constData(), &old) == 0;
    if (replacing && old.st_nlink > 1) {
        return refuse(QString("soubor má i jiná jména (pevné odkazy: %1), nepřepsán; uložte jej "
                              "pod novým jménem")
                          .arg(old.st_nlink));
    }
    // Destroyed after the file, so a signal ends the program only once the temporary is gone.
    const HeldSignals held;
#endif
    QSaveFile file(path);  // the new file gets the old one's mode
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return refuse(file.errorString());
    if (!WriteAll(file, content)) return refuse(file.errorString());
#ifdef Q_OS_UNIX
    if (replacing && ::fchown(file.handle(), old.st_uid, old.st_gid) != 0) {
        error.warning =
            path + ": vlastníka a skupinu původního souboru nelze zachovat: " + SystemReason();
    }
    // commit() syncs too, but ignores a failure; the rename must follow only a good one.
    if (::fsync(file.handle()) != 0) return refuse(SystemReason());
#endif
    if (!file.commit()) return refuse(file.errorString());
    return true;
}

std::optional<ImageFormat> KnownFormat(const QString& path, FileError& error) {
    if (path.endsWith(".bin", Qt::CaseInsensitive)) return ImageFormat::Bin;
    if (path.endsWith(".txt", Qt::CaseInsensitive)) return ImageFormat::Txt;
    if (path.endsWith(".json", Qt::CaseInsensitive)) return ImageFormat::Json;
    Fail(error, Kind::UnknownFormat, path, "neznámý formát (použijte .bin, .txt nebo .json)");
    return std::nullopt;
}

std::optional<ImageFile> LoadImageFile(const QString& path, FileError& error) {
    const auto format = KnownFormat(path, error);
    if (!format) return std::nullopt;
    const auto content = ReadRegularFile(path, error);
    if (!content) return std::nullopt;
    auto bad = [&](const QString& why) -> std::optional<ImageFile> {
        Fail(error, Kind::BadContent, path, why);
        return std::nullopt;
    };
    switch (*format) {
        case ImageFormat::Bin:
            if (static_cast<std::size_t>(content->size()) != layout::kBufferSize) {
                return bad(QString("soubor má %1 bajtů místo %2")
                               .arg(content->size())
                               .arg(layout::kBufferSize));
            }
            return ImageFile{ConfigBuffer(content->begin(), content->end()), {}};
        case ImageFormat::Txt: {
            ConfigBuffer image;
            if (const auto problem = TextToBuffer(content->toStdString(), image)) {
                return bad(QString::fromStdString(*problem));
            }
            return ImageFile{std::move(image), {}};
        }
        case ImageFormat::Json: {
            QString why;
            auto setup = SetupFromJson(*content, why);
            if (!setup) return bad(why);
            return ImageFile{EncodeSetup(*setup), std::move(setup)};
        }
    }
    return std::nullopt;
}

std::optional<ConfigBuffer> LoadImage(const QString& path, FileError& error) {
    auto file = LoadImageFile(path, error);
    if (!file) return std::nullopt;
    return std::move(file->image);
}

bool SaveImage(const QString& path, const ConfigBuffer& image, FileError& error) {
    const auto format = KnownFormat(path, error);
    if (!format) return false;
    if (image.size() != layout::kBufferSize) {  // no file that would be refused when loaded
        return Fail(
            error, Kind::BadContent, path,
            QString("obraz má %1 bajtů místo %2").arg(image.size()).arg(layout::kBufferSize));
    }
    switch (*format) {
        case ImageFormat::Bin:
            return ReplaceFile(
                path,
                QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size())),
                error);
        case ImageFormat::Txt:
            return ReplaceFile(path, QByteArray::fromStdString(BufferToText(image)), error);
        case ImageFormat::Json:
            if (const auto setup = StoredSetup(image)) {
                return ReplaceFile(path, SetupToJson(*setup), error);
            }
            return Fail(
                error, Kind::NotDecodable, path,
                "obraz paměti nelze dekódovat (nikdy nezapsaný modul?), uložte jej jako .bin");
    }
    return false;
}

bool SaveSetup(const QString& path, const SetupModel& setup, FileError& error) {
    const auto format = KnownFormat(path, error);
    if (!format) return false;
    if (*format == ImageFormat::Json) return ReplaceFile(path, SetupToJson(setup), error);
    return SaveImage(path, EncodeSetup(setup), error);
}

}  // namespace kdx
