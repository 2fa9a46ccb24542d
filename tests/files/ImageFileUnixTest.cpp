// Saving over a file keeps what only a POSIX system gives it: links, mode, owner and group.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "files/ImageFile.h"
#include "tests/support/TempFiles.h"

namespace kdx {
namespace {

class UnixFiles : public ::testing::Test, protected test::TempFiles {};

// A link to a file leads to the new file; the file keeps its mode, and its owner and group where
// the process may set them (root may).
TEST_F(UnixFiles, ReplacingKeepsTheLinkTheModeAndTheOwner) {
    const ConfigBuffer blank(layout::kBufferSize, 0xFF);
    MustSave("real.bin", ConfigBuffer(layout::kBufferSize, 0x11));
    const QByteArray real = QFile::encodeName(Path("real.bin"));
    ASSERT_EQ(::chmod(real, 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(real, 65534, 65534), 0);
    }
    ASSERT_TRUE(QFile::link(Path("real.bin"), Path("link.bin")));
    MustSave("link.bin", blank);
    EXPECT_TRUE(QFileInfo(Path("link.bin")).isSymLink());
    EXPECT_EQ(MustLoad("real.bin"), blank);
    struct stat saved {};
    ASSERT_EQ(::stat(real, &saved), 0);
    EXPECT_EQ(saved.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(std::pair(saved.st_uid, saved.st_gid), std::pair(65534u, 65534u));
    }
}

}  // namespace
}  // namespace kdx
