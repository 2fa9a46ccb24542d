// Saving over a file keeps what only a POSIX system gives it: links, mode, owner and group.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <functional>

#include "files/ImageFile.h"
#include "files/TraceFile.h"
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

// The system's reasons come in the program's language, and a name is quoted visibly.
TEST_F(UnixFiles, ReasonsAreCzech) {
    const ConfigBuffer blank(layout::kBufferSize, 0xFF);
    FileError error;
    EXPECT_FALSE(SaveImage(Path(QString(300, 'a') + ".bin"), blank, error));
    EXPECT_TRUE(error.message.endsWith(": jméno souboru je příliš dlouhé"))
        << error.message.toStdString();
    EXPECT_FALSE(SaveImage(Path("no/such/folder.bin"), blank, error));
    EXPECT_TRUE(error.message.endsWith("folder.bin: složka neexistuje"))
        << error.message.toStdString();
}

struct TraceCase {
    const char* name;
    std::function<QString(const test::TempFiles&)> trace;  // sets up the name the trace gets
};

class TraceRefusals : public UnixFiles, public ::testing::WithParamInterface<TraceCase> {};

// Refused before anything is written, the file it names left as it was.
TEST_P(TraceRefusals, LeaveTheFileAsItWas) {
    WriteFile("in.json", "keep");
    WriteFile("out.bin", "keep too");
    const QString trace = GetParam().trace(*this);
    FileError error;
    EXPECT_FALSE(TraceFile::Check(trace, {Path("in.json"), Path("new.bin")}, error));
    EXPECT_EQ(error.kind, FileError::Kind::NotSaved);
    EXPECT_FALSE(error.message.contains('\x1b')) << error.message.toStdString();
    QFile in(Path("in.json"));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.readAll(), "keep");
    EXPECT_FALSE(QFile::exists(Path("new.bin")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TraceRefusals,
    ::testing::Values(
        TraceCase{"TheInput", [](const auto& f) { return f.Path("in.json"); }},
        TraceCase{"TheInputThroughALink",
                  [](const auto& f) {
                      QFile::link(f.Path("in.json"), f.Path("link\x1b.txt"));
                      return f.Path("link\x1b.txt");
                  }},
        TraceCase{"TheOutputYetToBe", [](const auto& f) { return f.dir.path() + "/./new.bin"; }},
        TraceCase{"AHardLink",
                  [](const auto& f) {
                      ::link(QFile::encodeName(f.Path("out.bin")),
                             QFile::encodeName(f.Path("hard.txt")));
                      return f.Path("hard.txt");
                  }},
        TraceCase{"AFifo",
                  [](const auto& f) {
                      ::mkfifo(QFile::encodeName(f.Path("fifo.txt")), 0600);
                      return f.Path("fifo.txt");
                  }},
        TraceCase{"ADevice", [](const auto&) { return QString("/dev/null"); }},
        TraceCase{"AMissingFolder", [](const auto& f) { return f.Path("no/trace.txt"); }}),
    [](const auto& info) { return std::string(info.param.name); });

// Written at the end only, whole, or saying that it is cut.
TEST_F(UnixFiles, ATraceReplacesItsFileOnlyWhenSaved) {
    WriteFile("wire.txt", "old");
    FileError error;
    auto trace = TraceFile::Check(Path("wire.txt"), {Path("in.json")}, error);
    ASSERT_TRUE(trace) << error.message.toStdString();
    trace->Append("0.000 ms PC -> 03\r\n");
    QFile file(Path("wire.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "old");
    ASSERT_TRUE(trace->Save(true, error)) << error.message.toStdString();
    file.close();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("0.000 ms PC -> 03\r\n") + kTraceCut);
}

}  // namespace
}  // namespace kdx
