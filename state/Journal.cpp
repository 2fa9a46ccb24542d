#include "state/Journal.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <algorithm>

#include "config/Codec.h"
#include "files/ImageFile.h"
#include "state/Settings.h"

namespace kdx {
namespace {

constexpr const char* kStampFormat = "yyyyMMdd-HHmmss-zzz";
constexpr int kStampLength = 19;  // the name's sortable part
constexpr const char* kSettingsKey = "history/enabled";

QString FailureWords(TransferEngine::Failure failure) {
    using Failure = TransferEngine::Failure;
    switch (failure) {
        case Failure::kNone:
            return "OK";
        case Failure::kPortClosed:
            return "přerušeno: port zavřen nebo odpojen";
        case Failure::kNoAcknowledge:
            return "přerušeno: modul nepotvrdil";
        case Failure::kDuplicateAnswer:
            return "přerušeno: zdvojená odpověď";
        case Failure::kUnexpectedAnswer:
            return "přerušeno: nečekaná odpověď";
        case Failure::kSilence:
            return "přerušeno: modul mlčí";
        case Failure::kImageSize:
            return "přerušeno: obraz nemá 1024 bajtů";
        case Failure::kBusy:
            return "přerušeno: jiný přenos běží";
    }
    return "přerušeno";
}

QByteArray Digest(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// The entries' names, oldest first; temporary files of a save cut short start with a dot and
// are no entries.
QStringList EntryNames(const QDir& dir) {
    QStringList names = dir.entryList({"*.json"}, QDir::Files | QDir::Hidden, QDir::Name);
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const QString& name) {
                                   return name.startsWith('.') || name.size() < kStampLength;
                               }),
                names.end());
    return names;
}

// A folder of the user's alone; a file in it is private even before its own mode is set.
bool PrivateFolder(const QString& folder, QString& why) {
    if (!QDir().mkpath(folder)) {
        why = QString("složku %1 nelze vytvořit").arg(folder);
        return false;
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return true;
}

std::optional<JournalEntry> Parse(const QByteArray& content, QString& why) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(content, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        why = "není platný JSON";
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    const QByteArray bytes = QByteArray::fromBase64(root["image"].toString().toLatin1());
    if (bytes.size() != static_cast<qsizetype>(layout::kBufferSize)) {
        why = "obraz nemá 1024 bajtů";
        return std::nullopt;
    }
    if (root["sha256"].toString().toLatin1() != Digest(bytes)) {
        why = "kontrolní součet obrazu nesouhlasí";
        return std::nullopt;
    }
    JournalEntry entry;
    entry.time = QDateTime::fromString(root["time"].toString(), Qt::ISODateWithMs);
    const QString procedure = root["procedure"].toString();
    if (!entry.time.isValid() || (procedure != "read" && procedure != "write")) {
        why = "chybí čas nebo druh přenosu";
        return std::nullopt;
    }
    entry.procedure = procedure == "read" ? TransferEngine::kReadMode : TransferEngine::kWriteMode;
    entry.port = root["port"].toString();
    entry.complete = root["complete"].toBool(true);
    entry.written = root["written"].toInteger();
    entry.outcome = root["outcome"].toString();
    entry.image.assign(bytes.begin(), bytes.end());
    return entry;
}

}  // namespace

Journal::Journal(QString folder, int limit) : folder_(std::move(folder)), limit_(limit) {}

QString Journal::DefaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/kdx17/history";
}

bool Journal::Enabled() {
    return qEnvironmentVariable("KDX17_HISTORY") != "0" &&
           ProgramSettings().value(kSettingsKey, true).toBool();
}

void Journal::SetEnabled(bool on) { ProgramSettings().setValue(kSettingsKey, on); }

QString Journal::Folder() const { return folder_.isEmpty() ? DefaultFolder() : folder_; }

QString Journal::Record(const TransferEngine::Outcome& outcome, const QString& port,
                        const ConfigBuffer& sent, const QDateTime& now) {
    if (!Enabled()) return {};
    JournalEntry entry;
    entry.time = now;
    entry.port = port;
    entry.procedure = outcome.procedure;
    entry.outcome = FailureWords(outcome.failure);
    if (outcome.procedure == TransferEngine::kReadMode) {
        // A read that ended with EM before the end holds no whole memory.
        if (!outcome.Succeeded() || outcome.received.size() != layout::kBufferSize) return {};
        entry.image = outcome.received;
    } else if (outcome.procedure == TransferEngine::kWriteMode) {
        // Nothing went out: the module holds what it held.
        if (outcome.written == 0 && !outcome.Succeeded()) return {};
        if (sent.size() != layout::kBufferSize) return {};
        entry.image = sent;
        entry.complete = outcome.Succeeded();
        entry.written = static_cast<qint64>(outcome.written);
    } else {
        return {};
    }
    QString why;
    return Add(entry, why) ? QString() : why;
}

bool Journal::Add(const JournalEntry& entry, QString& why) {
    const QString folder = Folder();
    if (!PrivateFolder(folder, why)) return false;
    const QDir dir(folder);
    // Names sort in the order of recording, even within one millisecond or with a clock set back.
    QDateTime stamp = entry.time.toUTC();
    const QStringList names = EntryNames(dir);
    if (!names.isEmpty()) {
        const QDateTime newest =
            QDateTime::fromString(names.last().left(kStampLength), kStampFormat);
        if (newest.isValid()) {
            QDateTime newestUtc = newest;
            newestUtc.setTimeSpec(Qt::UTC);
            if (stamp <= newestUtc) stamp = newestUtc.addMSecs(1);
        }
    }
    const QString kind = entry.procedure == TransferEngine::kReadMode ? "read" : "write";
    const QString name = QString("%1-%2-%3.json")
                             .arg(stamp.toString(kStampFormat), kind)
                             .arg(QRandomGenerator::global()->bounded(0x10000), 4, 16, QChar('0'));
    const QByteArray bytes(reinterpret_cast<const char*>(entry.image.data()),
                           static_cast<qsizetype>(entry.image.size()));
    QJsonObject root{
        {"time", entry.time.toUTC().toString(Qt::ISODateWithMs)},
        {"port", entry.port},
        {"procedure", kind},
        {"complete", entry.complete},
        {"written", entry.written},
        {"outcome", entry.outcome},
        {"image", QString::fromLatin1(bytes.toBase64())},
        {"sha256", QString::fromLatin1(Digest(bytes))},
    };
    // Written whole under a hidden name, made private, and only then given its entry's name:
    // a kill at any moment leaves no entry, or a whole and private one.
    FileError error;
    const QString pending = dir.filePath(".pending-" + name);
    if (!ReplaceFile(pending, QJsonDocument(root).toJson(QJsonDocument::Compact), error)) {
        why = error.message;
        return false;
    }
    if (!QFile::setPermissions(pending, QFile::ReadOwner | QFile::WriteOwner) ||
        !QFile::rename(pending, dir.filePath(name))) {
        QFile::remove(pending);
        why = QString("%1 nelze uložit").arg(dir.filePath(name));
        return false;
    }
    Prune();
    return true;
}

void Journal::Prune() const {
    QDir dir(Folder());
    const QStringList names = EntryNames(dir);
    for (qsizetype i = 0; i < names.size() - limit_; ++i) dir.remove(names[i]);
    // What a save cut short by a kill left: an hour is long past any save still running.
    const QDateTime stale = QDateTime::currentDateTimeUtc().addSecs(-3600);
    for (const QFileInfo& info :
         dir.entryInfoList({".*.tmp", ".pending-*"}, QDir::Files | QDir::Hidden, QDir::Name)) {
        if (info.lastModified().toUTC() < stale) dir.remove(info.fileName());
    }
}

JournalListing Journal::List() const {
    JournalListing listing;
    const QDir dir(Folder());
    QStringList names = EntryNames(dir);
    std::reverse(names.begin(), names.end());
    for (const QString& name : names) {
        FileError error;
        QString why;
        const auto content = ReadRegularFile(dir.filePath(name), error);
        auto entry = content ? Parse(*content, why) : std::nullopt;
        if (!content) why = error.message;
        if (!entry) {
            listing.damaged << name + ": " + why;
            continue;
        }
        entry->name = name;
        listing.entries.push_back(std::move(*entry));
    }
    return listing;
}

QString EntrySummary(const ConfigBuffer& image) {
    const auto setup = StoredSetup(image);
    if (!setup) return "(obraz nelze dekódovat)";
    QString number;
    for (const PhoneEntry& phone : setup->phoneList) {
        if (!phone.number.empty()) {
            number = QString::fromStdString(phone.number);
            break;
        }
    }
    QString summary = "\"" + QString::fromStdString(setup->messageTexts.pagerName) + "\"";
    if (!number.isEmpty()) summary += " " + number;
    return summary;
}

QString ProcedureWords(int procedure) {
    return procedure == TransferEngine::kReadMode ? "čtení" : "zápis";
}

QString EntryTime(const JournalEntry& entry) {
    return entry.time.toLocalTime().toString("yyyy-MM-dd HH:mm:ss");
}

QString OutcomeWords(const JournalEntry& entry) {
    if (entry.complete) return entry.outcome;
    return QString("%1 (zapsáno %2 z 1024 bajtů, uložen zamýšlený obraz)")
        .arg(entry.outcome)
        .arg(entry.written);
}

}  // namespace kdx
