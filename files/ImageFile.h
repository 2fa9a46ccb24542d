#pragma once

#include <QString>
#include <optional>

#include "config/Layout.h"

namespace kdx {

// Image files, by their ending: .bin the raw 1024 bytes; .txt one decimal byte value per line
// with CR LF (the window's buffer text); .json the setup with named fields.
enum class ImageFormat { Bin, Txt, Json };

// Why a file was not loaded or saved. The message names the file and says why.
struct FileError {
    enum class Kind {
        UnknownFormat,  // the name ends in none of the three endings
        Missing,        // no such file
        NotReadable,    // not a regular file, too large, or reading failed
        BadContent,     // not a whole image, or not a valid setup
        NotDecodable,   // a .json asked for an image that does not decode
        NotSaved,       // not written: the name stands for no regular file, the file has other
                        // hard links, or the new file could not be written whole; an old one is
                        // unchanged
    };
    Kind kind = Kind::UnknownFormat;
    QString message;
    // A save that succeeded but could not give the new file the old one's owner and group.
    QString warning;
};

// Larger files are refused unread: 1024 bytes are at most a few kilobytes in any format.
inline constexpr qint64 kMaxFileSize = 1024 * 1024;

// The format of a file by its ending.
std::optional<ImageFormat> KnownFormat(const QString& path, FileError& error);

// What a file holds: the 1024-byte image, and for a .json the setup with every word as the
// file has it (a word of the other table on a row stays, where decoding the image would not
// name it).
struct ImageFile {
    ConfigBuffer image;
    std::optional<SetupModel> setup;  // .json only
};

// A regular file (links followed) of at most kMaxFileSize bytes, whatever it holds; a FIFO, a
// device or a directory is refused without waiting on it.
std::optional<QByteArray> ReadRegularFile(const QString& path, FileError& error);

// Writes a temporary file beside PATH unbuffered, checks every write and the sync, and only
// then renames it over PATH, giving it the old file's mode, owner and group. On any failure the
// message gives the reason, the temporary file is gone and an old PATH is left as it was. PATH
// must be (links followed) a regular file or nothing yet; a file with other hard links is
// refused, since renaming would split it from them and writing in place could leave them all
// torn. SIGINT, SIGTERM, SIGHUP and SIGQUIT wait until the save is over. Messages are Czech and
// show control characters in the name as escapes (see Visible.h).
bool ReplaceFile(const QString& path, const QByteArray& content, FileError& error);

// Whether ReplaceFile would take PATH, told without touching anything: a regular file without
// other hard links that this user may write, or nothing yet, in a folder that exists and this
// user may write. For a program that must know at its start that it can save at its end.
bool CanReplaceFile(const QString& path, FileError& error);

// Only a regular file (see ReadRegularFile) is read. A .json is read strictly (see SetupJson.h);
// a .txt, as a .json, may begin with a UTF-8 byte order mark and end its lines in LF alone. A
// file in UTF-16 is refused as such.
std::optional<ImageFile> LoadImageFile(const QString& path, FileError& error);
std::optional<ConfigBuffer> LoadImage(const QString& path, FileError& error);

// Saved by ReplaceFile. A .bin or .txt takes any image of 1024 bytes as it is; a .json needs one
// that decodes.
bool SaveImage(const QString& path, const ConfigBuffer& image, FileError& error);
// As SaveImage; a .json keeps the setup's words as they are, the other formats its encoding.
bool SaveSetup(const QString& path, const SetupModel& setup, FileError& error);

}  // namespace kdx
