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
#include <unistd.h>
#endif

namespace kdx {
namespace {

using Kind = FileError::Kind;

bool Fail(FileError& error, Kind kind, const QString& path, const QString& why) {
    error = {kind, path + ": " + why};
    return false;
}

QString SystemReason() { return QString::fromLocal8Bit(std::strerror(errno)); }

// At most kMaxFileSize bytes of a regular file. Everything else is refused before it is opened,
// so a FIFO cannot hold us up and a device cannot feed us without end.
std::optional<QByteArray> ReadBounded(const QString& path, FileError& error) {
    auto refuse = [&](const QString& why) -> std::optional<QByteArray> {
        Fail(error, Kind::NotReadable, path, why);
        return std::nullopt;
    };
    const QFileInfo info(path);
    if (!info.exists()) return refuse("soubor neexistuje");
    if (info.isDir()) return refuse("je to adresář, ne soubor");
    if (!info.isFile()) return refuse("není obyčejný soubor (zařízení nebo roura?)");
    if (info.size() > kMaxFileSize) {
        return refuse(QString("soubor má %1 bajtů, víc než 1 MiB").arg(info.size()));
    }

    QFile file;
#ifdef Q_OS_UNIX
    // Without blocking, should the name have come to stand for a FIFO since the check.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return refuse(SystemReason());
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
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

// A failing write shows in its own call: unbuffered, nothing is left for the final flush,
// whose failure QSaveFile::commit() would not notice.
bool WriteWhole(const QString& path, const QByteArray& content, FileError& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return Fail(error, Kind::NotSaved, path, file.errorString());
    }
    // A short write (a disk that just filled) is followed by one that fails with the reason.
    for (qint64 written = 0; written < content.size();) {
        const qint64 n = file.write(content.constData() + written, content.size() - written);
        if (n <= 0) return Fail(error, Kind::NotSaved, path, file.errorString());
        written += n;
    }
#ifdef Q_OS_UNIX
    // commit() syncs too, but ignores a failure; the rename must follow only a good one.
    if (::fsync(file.handle()) != 0) return Fail(error, Kind::NotSaved, path, SystemReason());
#endif
    if (!file.commit()) return Fail(error, Kind::NotSaved, path, file.errorString());
    return true;
}

}  // namespace

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
    const auto content = ReadBounded(path, error);
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
            return WriteWhole(
                path,
                QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size())),
                error);
        case ImageFormat::Txt:
            return WriteWhole(path, QByteArray::fromStdString(BufferToText(image)), error);
        case ImageFormat::Json:
            if (const auto setup = StoredSetup(image)) {
                return WriteWhole(path, SetupToJson(*setup), error);
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
    if (*format == ImageFormat::Json) return WriteWhole(path, SetupToJson(setup), error);
    return SaveImage(path, EncodeSetup(setup), error);
}

}  // namespace kdx
