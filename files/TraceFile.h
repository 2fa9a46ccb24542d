#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

#include "files/ImageFile.h"

namespace kdx {

// The last line of a trace whose transfer did not end on its own.
inline constexpr char kTraceCut[] = "--- záznam je neúplný: přenos byl přerušen ---\r\n";

// A trace of the wire, kept by the rules of every saved file: its name is checked before the
// port is opened, nothing is written while the transfer runs, and at the end the whole trace
// replaces the file at once (ReplaceFile). A failed or killed program leaves an old file as it
// was.
class TraceFile {
  public:
    // Refuses what ReplaceFile would refuse (a device, FIFO, folder or hard-linked file, a missing
    // folder) and a name of one of `others`, the files the command reads or writes, by identity
    // (through links and other spellings too).
    static std::optional<TraceFile> Check(const QString& path, const QStringList& others,
                                          FileError& error);

    void Append(const QByteArray& text) { content_ += text; }

    // Puts the trace in place; one that is `cut` ends with kTraceCut. Fails as ReplaceFile.
    bool Save(bool cut, FileError& error);

  private:
    explicit TraceFile(QString path) : path_(std::move(path)) {}

    QString path_;
    QByteArray content_;
};

}  // namespace kdx
