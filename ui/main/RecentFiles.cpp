#include "ui/main/RecentFiles.h"

#include <QFileInfo>
#include <QSettings>

#include "state/Settings.h"

namespace kdx {
namespace {

constexpr const char* kKey = "recentFiles";

}  // namespace

QStringList RecentFiles::List() {
    QStringList files;
    for (const QString& file : ProgramSettings().value(kKey).toStringList()) {
        if (QFileInfo(file).isFile() && files.size() < kMax) files << file;
    }
    return files;
}

void RecentFiles::Add(const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    QStringList files = List();
    files.removeAll(file);
    files.prepend(file);
    ProgramSettings().setValue(kKey, files.mid(0, kMax));
}

}  // namespace kdx
