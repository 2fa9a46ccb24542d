// The journal against SIGKILL at any moment of its writes, and its files' privacy.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <csignal>
#include <thread>

#include "config/Codec.h"
#include "state/Journal.h"
#include "tests/support/PrivateHome.h"

namespace kdx {
namespace {

mode_t Mode(const QString& path) {
    struct stat info {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
    return info.st_mode & 0777;
}

TEST(JournalKill, EveryEntryIsWholeAfterKillsAtRandomMoments) {
    const test::PrivateHome own;
    const QTemporaryDir& home = own.home;
    const QString folder = home.filePath("history");
    const ConfigBuffer base = EncodeSetup(SetupModel{});
    ::umask(022);  // what most users have: the journal must not rely on a stricter one
    auto record = [&base](Journal& journal, std::uint8_t mark) {
        ConfigBuffer image = base;
        image[0] = mark;
        journal.Record({TransferEngine::kWriteMode, TransferEngine::Failure::kNone, {}, 1024},
                       "/dev/ttyS0", image);
    };
    // Kills fall anywhere within the first few entries' writes, however fast this machine is.
    QElapsedTimer timer;
    timer.start();
    Journal measured(home.filePath("measured"), 20);
    for (std::uint8_t mark = 0; mark < 10; ++mark) record(measured, mark);
    const qint64 window = std::max<qint64>(timer.nsecsElapsed() / 1000 / 10 * 4, 100);
    timer.restart();
    int kills = 0;
    for (; kills < 200; ++kills) {
        int started[2];
        ASSERT_EQ(::pipe(started), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(started[0]);
            (void)!::write(started[1], "", 1);
            // Writes entries, pruning to 20 on the way, until killed.
            Journal journal(folder, 20);
            for (std::uint8_t mark = 0;; ++mark) {
                ConfigBuffer image = base;
                image[0] = mark;
                journal.Record(
                    {TransferEngine::kWriteMode, TransferEngine::Failure::kNone, {}, 1024},
                    "/dev/ttyS0", image);
            }
        }
        ::close(started[1]);
        char byte;
        ASSERT_EQ(::read(started[0], &byte, 1), 1);
        ::close(started[0]);
        std::this_thread::sleep_for(
            std::chrono::microseconds(QRandomGenerator::global()->bounded(window)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        const JournalListing listing = Journal(folder, 20).List();
        ASSERT_TRUE(listing.damaged.isEmpty()) << listing.damaged.join('\n').toStdString();
        for (const JournalEntry& entry : listing.entries) {
            EXPECT_TRUE(std::equal(entry.image.begin() + 1, entry.image.end(), base.begin() + 1));
        }
    }
    EXPECT_FALSE(Journal(folder, 20).List().entries.empty());
    // Left by kills inside a write; cleared once stale.
    const int cut = QDir(folder).entryList(QDir::Files | QDir::Hidden).size() -
                    QDir(folder).entryList({"2*.json"}, QDir::Files).size();
    EXPECT_EQ(Mode(folder), 0700u);
    for (const QString& name : QDir(folder).entryList({"*.json"}, QDir::Files)) {
        EXPECT_EQ(Mode(QDir(folder).filePath(name)), 0600u) << name.toStdString();
    }
    std::printf("%d kills within %lld us of the start (%d inside a write) in %lld ms\n", kills,
                static_cast<long long>(window), cut, static_cast<long long>(timer.elapsed()));
}

}  // namespace
}  // namespace kdx
