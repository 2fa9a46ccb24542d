#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// What the image files need of the system, each platform's in whole files of its own. Every
// reason is Czech and names no file: the caller puts the name before it.
namespace kdx::files {

// The whole content of a regular file (links followed), read without ever waiting on a FIFO or a
// device that the name has come to stand for since it was checked; nothing when it holds more
// than maxBytes, or on failure, with the reason.
std::optional<QByteArray> ReadRegular(const QString& path, qint64 maxBytes, QString& why,
                                      bool& tooLarge);

// How many names (hard links) the file has; 1 where the system does not tell.
int NameCount(const QString& path);

// Whether a new file can be made in the folder: it exists and this user may write there.
bool CanCreateIn(const QString& folder, QString& why);

// Whether two names stand for one file, links followed; a name with nothing behind it yet counts
// by its folder and its last part.
bool SameFile(const QString& one, const QString& other);

// Writes the content into a new file beside PATH, checks every write and the sync, and only then
// renames it over PATH, giving it the old file's mode and, where the user may, its owner and
// group (else a warning). The stopping signals wait until it is over. On failure the new file
// is gone and an old PATH is as it was.
bool WriteAndRename(const QString& path, const QByteArray& content, QString& why, QString& warning);

}  // namespace kdx::files
