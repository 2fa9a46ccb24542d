#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "config/Layout.h"
#include "link/TransferEngine.h"

namespace kdx {

// One image that went from a module or into one.
struct JournalEntry {
    QString name;  // its file's name in the journal's folder
    QDateTime time;
    QString port;
    int procedure = TransferEngine::kReadMode;  // kReadMode or kWriteMode
    // False for a write that ended early: the image is what was meant, not what the module holds.
    bool complete = true;
    qint64 written = 0;  // a write's data bytes that went out
    QString outcome;     // how it ended, in words
    ConfigBuffer image;
};

struct JournalListing {
    std::vector<JournalEntry> entries;  // newest first
    QStringList damaged;                // "name: why" of every entry that could not be read
};

// The module journal: every whole image read from a module and every image written into one,
// kept in the user's data folder, readable by the user alone. One file per entry, written by
// ReplaceFile (a new file, synced, then renamed into place): a crash or a kill leaves an entry
// whole or absent, never half, and nothing else is ever rewritten. The oldest entries go once
// there are more than the limit.
class Journal {
  public:
    // 1000 entries of about 1.6 kB each: some 1.6 MB, years of an installer's visits.
    static constexpr int kLimit = 1000;

    // An empty folder: the user's own (see DefaultFolder), looked up at each use.
    explicit Journal(QString folder = {}, int limit = kLimit);

    // <data folder>/kdx17/history: $XDG_DATA_HOME (or ~/.local/share) on Linux, the local
    // application data on Windows.
    static QString DefaultFolder();
    // Recording is on unless the window's setting turned it off or KDX17_HISTORY is 0.
    static bool Enabled();
    static void SetEnabled(bool on);

    QString Folder() const;

    // Keeps the image a procedure put into a module or took from it, when recording is on; a read
    // that did not bring the whole memory and a write that sent nothing are not kept. An empty
    // result, or why the entry could not be kept.
    QString Record(const TransferEngine::Outcome& outcome, const QString& port,
                   const ConfigBuffer& sent,
                   const QDateTime& now = QDateTime::currentDateTimeUtc());
    // Adds one entry as it is (its name is chosen here); false with the reason on failure.
    bool Add(const JournalEntry& entry, QString& why);
    JournalListing List() const;

  private:
    void Prune() const;

    QString folder_;
    int limit_;
};

// The module's name text and first phone number of an image, as the lists show them.
QString EntrySummary(const ConfigBuffer& image);
// "čtení" or "zápis".
QString ProcedureWords(int procedure);
// When the entry was kept, in local time to the second.
QString EntryTime(const JournalEntry& entry);
// How the procedure ended; a write that ended early says how much of it went out.
QString OutcomeWords(const JournalEntry& entry);

}  // namespace kdx
