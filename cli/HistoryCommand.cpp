#include "cli/HistoryCommand.h"

#include "cli/Commands.h"
#include "cli/SetupTables.h"
#include "config/Codec.h"
#include "config/MemoryFields.h"
#include "files/ImageFile.h"
#include "state/Journal.h"

namespace kdx {
namespace {

QString Heading(int number, const JournalEntry& entry) {
    return QString("%1  %2  %3  %4  %5  %6")
        .arg(number)
        .arg(EntryTime(entry), ProcedureWords(entry.procedure), Visible(entry.port),
             OutcomeWords(entry), Visible(EntrySummary(entry.image)));
}

// The entry N counts to from the newest, or a message.
const JournalEntry* Pick(const JournalListing& listing, const QString& word, QTextStream& err) {
    bool number = false;
    const int n = word.toInt(&number);
    if (!number || n < 1 || n > static_cast<int>(listing.entries.size())) {
        err << "kdx17: historie nemá záznam " << Visible(word)
            << " (záznamů: " << listing.entries.size() << ")\n";
        return nullptr;
    }
    return &listing.entries[static_cast<std::size_t>(n - 1)];
}

}  // namespace

int HistoryCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    const QString action = args.value(0);
    const qsizetype expected = action.isEmpty()     ? 0
                               : action == "show"   ? 2
                               : action == "export" ? 3
                               : action == "diff"   ? 3
                                                    : -1;
    if (expected != args.size()) {
        err << "kdx17: chybné použití příkazu history\n";
        return kExitBadUsage;
    }
    const Journal journal;
    const JournalListing listing = journal.List();
    // Said and skipped: the rest of the journal stays usable.
    for (const QString& damaged : listing.damaged) {
        err << "kdx17: poškozený záznam historie vynechán: " << Visible(damaged) << "\n";
    }
    if (action.isEmpty()) {
        int number = 0;
        for (const JournalEntry& entry : listing.entries) out << Heading(++number, entry) << "\n";
        if (listing.entries.empty()) out << "historie je prázdná (" << journal.Folder() << ")\n";
        return kExitOk;
    }
    const JournalEntry* first = Pick(listing, args[1], err);
    if (!first) return kExitBadUsage;
    if (action == "show") {
        out << Heading(args[1].toInt(), *first) << "\n\n";
        if (const auto setup = StoredSetup(first->image)) out << SetupAsTables(*setup);
        return kExitOk;
    }
    if (action == "export") {
        FileError error;
        return Saved(SaveImage(args[2], first->image, error), error, err);
    }
    const JournalEntry* second = Pick(listing, args[2], err);
    if (!second) return kExitBadUsage;
    const auto fields = DifferingFields(first->image, second->image);
    for (const MemoryField& field : fields) {
        out << QString::fromStdString(field.name) << ": "
            << Visible(QString::fromStdString(DescribeField(field, first->image))) << " -> "
            << Visible(QString::fromStdString(DescribeField(field, second->image))) << "\n";
    }
    if (fields.empty()) out << "obrazy jsou shodné\n";
    return fields.empty() ? kExitOk : kExitDiffer;
}

}  // namespace kdx
