#include "state/Journal.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "config/Codec.h"
#include "tests/support/PrivateHome.h"

namespace kdx {
namespace {

using Failure = TransferEngine::Failure;
using Outcome = TransferEngine::Outcome;

ConfigBuffer Image(std::uint8_t mark) {
    ConfigBuffer image = EncodeSetup(SetupModel{});
    image[0] = mark;  // the first command's text
    return image;
}

class JournalTest : public ::testing::Test, protected test::PrivateHome {
  protected:
    QString folder = home.filePath("history");
};

struct RecordCase {
    const char* name;
    Outcome outcome;
    bool kept;
    bool complete;
};

class RecordTest : public JournalTest, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(RecordTest, KeepsWholeReadsAndWritesThatSentData) {
    Journal journal(folder);
    const ConfigBuffer sent = Image('W');
    EXPECT_EQ(journal.Record(GetParam().outcome, "/dev/ttyUSB0", sent), "");
    const JournalListing listing = journal.List();
    ASSERT_EQ(listing.entries.size(), GetParam().kept ? 1u : 0u);
    EXPECT_TRUE(listing.damaged.isEmpty());
    if (!GetParam().kept) return;
    const JournalEntry& entry = listing.entries[0];
    EXPECT_EQ(entry.port, "/dev/ttyUSB0");
    EXPECT_EQ(entry.procedure, GetParam().outcome.procedure);
    EXPECT_EQ(entry.complete, GetParam().complete);
    EXPECT_EQ(entry.image, GetParam().outcome.procedure == TransferEngine::kReadMode
                               ? GetParam().outcome.received
                               : sent);
}

const ConfigBuffer kRead = Image('R');
INSTANTIATE_TEST_SUITE_P(
    Outcomes, RecordTest,
    ::testing::Values(
        RecordCase{"whole_read", {TransferEngine::kReadMode, Failure::kNone, kRead}, true, true},
        RecordCase{"read_ended_by_em",
                   {TransferEngine::kReadMode, Failure::kNone,
                    ConfigBuffer(kRead.begin(), kRead.begin() + 100)},
                   false,
                   false},
        RecordCase{
            "failed_read", {TransferEngine::kReadMode, Failure::kSilence, kRead}, false, false},
        RecordCase{
            "whole_write", {TransferEngine::kWriteMode, Failure::kNone, {}, 1024}, true, true},
        RecordCase{
            "write_cut_off", {TransferEngine::kWriteMode, Failure::kSilence, {}, 300}, true, false},
        RecordCase{"write_refused_at_once",
                   {TransferEngine::kWriteMode, Failure::kNoAcknowledge, {}, 0},
                   false,
                   false},
        RecordCase{"test", {TransferEngine::kTestMode, Failure::kNone, {}}, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(JournalTest, SwitchedOffByTheEnvironmentOrTheSetting) {
    Journal journal(folder);
    const Outcome read{TransferEngine::kReadMode, Failure::kNone, kRead};
    qputenv("KDX17_HISTORY", "0");
    journal.Record(read, "p", {});
    qunsetenv("KDX17_HISTORY");
    Journal::SetEnabled(false);
    journal.Record(read, "p", {});
    Journal::SetEnabled(true);
    EXPECT_TRUE(journal.List().entries.empty());
    journal.Record(read, "p", {});
    EXPECT_EQ(journal.List().entries.size(), 1u);
}

// Newest first, the oldest gone beyond the limit, even within one millisecond.
TEST_F(JournalTest, KeepsTheNewestUpToItsLimit) {
    Journal journal(folder, 3);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (std::uint8_t mark = '1'; mark <= '5'; ++mark) {
        journal.Record({TransferEngine::kReadMode, Failure::kNone, Image(mark)}, "p", {}, now);
    }
    const JournalListing listing = journal.List();
    ASSERT_EQ(listing.entries.size(), 3u);
    EXPECT_EQ(listing.entries[0].image[0], '5');
    EXPECT_EQ(listing.entries[2].image[0], '3');
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

// A damaged entry is skipped and named; the others stay readable.
TEST_F(JournalTest, SkipsAndNamesDamagedEntries) {
    Journal journal(folder);
    for (std::uint8_t mark : {'A', 'B', 'C'}) {
        journal.Record({TransferEngine::kReadMode, Failure::kNone, Image(mark)}, "p", {});
    }
    const QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(names.size(), 3);
    auto rewrite = [&](const QString& name, const std::function<void(QByteArray&)>& change) {
        QFile file(QDir(folder).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray content = file.readAll();
        change(content);
        file.resize(0);
        file.seek(0);
        file.write(content);
    };
    rewrite(names[0], [](QByteArray& content) { content.truncate(content.size() / 2); });
    // One byte of the image changed: still valid JSON and base64, but not what was kept.
    rewrite(names[2], [](QByteArray& content) {
        const qsizetype at = content.indexOf("\"image\":\"") + 9;
        content[at] = content[at] == 'A' ? 'B' : 'A';
    });
    const JournalListing listing = journal.List();
    ASSERT_EQ(listing.entries.size(), 1u);
    EXPECT_EQ(listing.entries[0].image[0], 'B');
    ASSERT_EQ(listing.damaged.size(), 2);
    EXPECT_TRUE(listing.damaged[0].startsWith(names[2]));
}

}  // namespace
}  // namespace kdx
