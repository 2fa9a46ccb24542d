#include "files/ImageFile.h"

#include <QFileInfo>

#include "config/BufferText.h"
#include "config/Codec.h"
#include "files/FileSystem.h"
#include "files/SetupJson.h"
#include "files/Visible.h"

namespace kdx {
namespace {

using Kind = FileError::Kind;

bool Fail(FileError& error, Kind kind, const QString& path, const QString& why) {
    error = {kind, Visible(path + ": " + why), {}};
    return false;
}

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr const char* kNotARegularFile = "není obyčejný soubor (zařízení, roura nebo soket?)";

// Why the file a name stands for (links followed) is no regular file, or nothing.
std::optional<QString> NotARegularFile(const QFileInfo& info) {
    if (info.isDir()) return "je to adresář, ne soubor";
    if (!info.isFile()) return kNotARegularFile;
    return std::nullopt;
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

    QString why;
    bool tooLarge = false;
    auto content = files::ReadRegular(path, kMaxFileSize, why, tooLarge);
    if (tooLarge) return refuse("soubor je větší než 1 MiB");
    if (!content) return refuse(why);
    return content;
}

bool CanReplaceFile(const QString& path, FileError& error) {
    auto refuse = [&](const QString& why) { return Fail(error, Kind::NotSaved, path, why); };
    const QFileInfo target(path);
    if (target.exists()) {
        if (const auto why = NotARegularFile(target)) return refuse(*why);
        if (const int names = files::NameCount(path); names > 1) {
            return refuse(QString("soubor má i jiná jména (pevné odkazy: %1), nepřepsán; uložte "
                                  "jej pod novým jménem")
                              .arg(names));
        }
        if (!target.isWritable())
            return refuse("soubor je jen pro čtení nebo k němu chybí oprávnění");
    }
    // The new file is made beside the one it replaces, through a link beside the file it leads to.
    QString why;
    const QString folder =
        QFileInfo(target.exists() ? target.canonicalFilePath() : path).absolutePath();
    if (!files::CanCreateIn(folder, why)) return refuse(why);
    return true;
}

bool ReplaceFile(const QString& path, const QByteArray& content, FileError& error) {
    error.warning.clear();
    if (!CanReplaceFile(path, error)) return false;
    QString why, warning;
    if (!files::WriteAndRename(path, content, why, warning)) {
        return Fail(error, Kind::NotSaved, path, why);
    }
    if (!warning.isEmpty()) error.warning = Visible(path + ": " + warning);
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
    // Notepad's "Unicode": every character in two bytes, which no reader here takes.
    if (*format != ImageFormat::Bin &&
        (content->startsWith("\xFF\xFE") || content->startsWith("\xFE\xFF"))) {
        return bad("soubor je v kódování UTF-16 (Unicode), uložte jej jako UTF-8");
    }
    switch (*format) {
        case ImageFormat::Bin:
            if (static_cast<std::size_t>(content->size()) != layout::kBufferSize) {
                return bad(QString("soubor má %1 bajtů místo %2")
                               .arg(content->size())
                               .arg(layout::kBufferSize));
            }
            return ImageFile{ConfigBuffer(content->begin(), content->end()), {}};
        case ImageFormat::Txt: {
            // As the .json reader: a byte order mark is skipped, and lines may end in LF alone.
            QByteArray text = content->startsWith(kUtf8Bom) ? content->mid(3) : *content;
            text.replace("\r\n", "\n").replace("\n", "\r\n");
            ConfigBuffer image;
            if (const auto problem = TextToBuffer(text.toStdString(), image)) {
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
