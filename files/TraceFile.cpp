#include "files/TraceFile.h"

#include "files/FileSystem.h"
#include "files/Visible.h"

namespace kdx {

std::optional<TraceFile> TraceFile::Check(const QString& path, const QStringList& others,
                                          FileError& error) {
    for (const QString& other : others) {
        if (!other.isEmpty() && files::SameFile(path, other)) {
            error = {FileError::Kind::NotSaved,
                     Visible(path + ": záznam přenosu by přepsal soubor " + other +
                             ", zvolte jiné jméno"),
                     {}};
            return std::nullopt;
        }
    }
    if (!CanReplaceFile(path, error)) return std::nullopt;
    return TraceFile(path);
}

bool TraceFile::Save(bool cut, FileError& error) {
    return ReplaceFile(path_, cut ? content_ + kTraceCut : content_, error);
}

}  // namespace kdx
