#include "files/FileSystem.h"

#include <windows.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

// Windows: Qt's own files, and the system's count of a file's names. What it does not do here:
// hold a console's close off a save, or keep an owner (the new file gets the folder's
// permissions).
namespace kdx::files {
namespace {

// Qt's reasons are English; the messages are all Czech.
QString Reason(QFileDevice::FileError error) {
    switch (error) {
        case QFileDevice::ReadError:
            return "chyba čtení";
        case QFileDevice::WriteError:
            return "chyba zápisu (plný disk?)";
        case QFileDevice::OpenError:
            return "soubor nelze otevřít";
        case QFileDevice::PermissionsError:
            return "chybí oprávnění";
        case QFileDevice::ResourceError:
            return "na disku není místo nebo systému chybí prostředky";
        case QFileDevice::RenameError:
            return "soubor nelze nahradit";
        default:
            return "chyba souboru";
    }
}

}  // namespace

std::optional<QByteArray> ReadRegular(const QString& path, qint64 maxBytes, QString& why,
                                      bool& tooLarge) {
    tooLarge = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = Reason(file.error());
        return std::nullopt;
    }
    QByteArray content = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        why = Reason(file.error());
        return std::nullopt;
    }
    tooLarge = content.size() > maxBytes;
    if (tooLarge) return std::nullopt;
    return content;
}

int NameCount(const QString& path) {
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    const HANDLE file =
        CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    return known ? static_cast<int>(info.nNumberOfLinks) : 1;
}

bool CanCreateIn(const QString& folder, QString& why) {
    const QFileInfo info(folder.isEmpty() ? QString(".") : folder);
    if (!info.exists()) {
        why = "složka neexistuje";
        return false;
    }
    if (!info.isDir()) {
        why = "část cesty není složka";
        return false;
    }
    return true;  // the rights the save itself tells
}

bool SameFile(const QString& one, const QString& other) {
    auto name = [](const QString& path) {
        const QFileInfo info(path);
        const QString canonical = info.canonicalFilePath();
        return (canonical.isEmpty() ? info.absoluteFilePath() : canonical).toLower();
    };
    return name(one) == name(other);
}

bool WriteAndRename(const QString& path, const QByteArray& content, QString& why, QString&) {
    QSaveFile file(path);  // the new file gets the old one's mode
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        why = Reason(file.error());
        return false;
    }
    // Unbuffered, a failing write shows in its own call, not in a final flush that commit()
    // would not notice.
    for (qint64 written = 0; written < content.size();) {
        const qint64 n = file.write(content.constData() + written, content.size() - written);
        if (n <= 0) {
            why = Reason(file.error());
            return false;
        }
        written += n;
    }
    if (!file.commit()) {
        why = Reason(file.error());
        return false;
    }
    return true;
}

}  // namespace kdx::files
