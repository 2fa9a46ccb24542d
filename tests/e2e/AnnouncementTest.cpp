// The port map offers only the user's own running virtual modules, whatever else is planted
// in the announcement folder.
#include "sim/Announcement.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>

namespace kdx::sim {
namespace {

// kdx17-sim as a person starts it; stopped when the test ends.
struct SimProgram {
    SimProgram() {
        process.start(KDX17_SIM, {});
        if (process.waitForReadyRead(10000)) device = process.readLine().trimmed().toStdString();
    }
    ~SimProgram() {
        process.terminate();
        process.waitForFinished(10000);
    }
    QString Announcement() const {
        return QString::fromStdString(AnnouncementDirectory()) + "/" +
               QString::number(process.processId());
    }

    QProcess process;
    std::string device;
};

void Write(const QString& path, const std::string& line) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray::fromStdString(line + "\n"));
}

TEST(Announcements, OnlyTheUsersOwnRunningModulesAreOffered) {
    QTemporaryDir runtime;
    ASSERT_EQ(::setenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()).constData(), 1), 0);
    SimProgram first;
    SimProgram second;
    ASSERT_FALSE(first.device.empty());
    ASSERT_FALSE(second.device.empty());
    for (int i = 0; i < 100 && !QFile::exists(second.Announcement()); ++i) ::usleep(10000);
    EXPECT_EQ(AnnouncedPorts(), (std::vector<std::string>{first.device, second.device}));

    struct stat folder {};
    ASSERT_EQ(::stat(AnnouncementDirectory().c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    EXPECT_EQ(folder.st_uid, ::geteuid());

    // Process 1 is no virtual module; a regular file is no pseudo-terminal.
    Write(QString::fromStdString(AnnouncementDirectory()) + "/1", second.device);
    Write(second.Announcement(), QFile::encodeName(second.Announcement()).toStdString());
    EXPECT_EQ(AnnouncedPorts(), std::vector<std::string>{first.device});

    Write(second.Announcement(), second.device);
    const QByteArray file = QFile::encodeName(second.Announcement());
    if (::chown(file.constData(), 65534, 65534) != 0) GTEST_SKIP() << "another user needs root";
    EXPECT_EQ(AnnouncedPorts(), std::vector<std::string>{first.device});
    ASSERT_EQ(::chown(file.constData(), ::geteuid(), ::getegid()), 0);
    EXPECT_EQ(AnnouncedPorts(), (std::vector<std::string>{first.device, second.device}));
}

}  // namespace
}  // namespace kdx::sim
