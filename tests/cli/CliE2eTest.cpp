// kdx17 as a user runs it, against the virtual module on a pseudo-terminal.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>
#include <thread>
#include <tuple>

#include "config/Codec.h"
#include "files/ImageFile.h"
#include "link/LogMessages.h"
#include "sim/VirtualModule.h"
#include "tests/support/FullSetup.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/TempFiles.h"

namespace kdx {
namespace {

using sim::Fault;
using sim::VirtualModule;

struct Outcome {
    int status;
    QString out;
    QString err;
};

class CliE2e : public ::testing::Test, protected test::TempFiles {
  protected:
    void StartModule(VirtualModule::Options options = {}) {
        module = std::make_unique<VirtualModule>(std::move(options));
        std::string error;
        ASSERT_TRUE(module->Start(&error)) << error;
        port = QString::fromStdString(module->DevicePath());
    }

    // With a file size limit, a write past it fails as on a file system that just filled.
    Outcome Kdx17(QStringList arguments, rlim_t fileSizeLimit = RLIM_INFINITY) {
        QProcess process;
        process.setChildProcessModifier([fileSizeLimit] {
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
        });
        process.start(KDX17_CLI, arguments);
        EXPECT_TRUE(process.waitForFinished(60000)) << arguments.join(' ').toStdString();
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    std::unique_ptr<VirtualModule> module;
    QString port;
};

SetupModel Sample() {
    SetupModel setup;
    setup.commandTable[2] = CommandRow{"Světlo", "RELE2", "IMPULS", "12", "ANO"};
    setup.phoneList[0] = PhoneEntry{"+420603123456", "0", "0", "", "", "", "", "", ""};
    setup.creditCode = "*22#";
    return setup;
}

TEST_F(CliE2e, ReadWriteAndVerifyRoundTrip) {
    StartModule();
    MustSave("sample.json", EncodeSetup(Sample()));

    const Outcome write = Kdx17({"write", "--port", port, Path("sample.json"), "--verify"});
    EXPECT_EQ(write.status, 0) << write.err.toStdString();
    EXPECT_TRUE(write.out.contains("TEST OK\nZápis START\nPrenos OK\n")) << write.out.toStdString();
    EXPECT_TRUE(write.out.endsWith("ověření OK\n")) << write.out.toStdString();
    EXPECT_EQ(module->Memory(), EncodeSetup(Sample()));

    const Outcome read = Kdx17({"read", "--port", port, Path("backup.bin")});
    EXPECT_EQ(read.status, 0) << read.err.toStdString();
    EXPECT_EQ(read.out, "Vyčítání START\nPrenos OK\n");
    EXPECT_EQ(MustLoad("backup.bin"), module->Memory());

    const Outcome diff = Kdx17({"diff", Path("sample.json"), Path("backup.bin")});
    EXPECT_EQ(diff.status, 0);
    EXPECT_EQ(diff.out, "obrazy jsou shodné\n");
}

// A file system that fills while the new file is written: the old file stays as it was, and
// no temporary file is left beside it.
class CliFullDisk : public CliE2e, public ::testing::WithParamInterface<const char*> {};

TEST_P(CliFullDisk, KeepsTheOldFile) {
    VirtualModule::Options options;
    options.memory = EncodeSetup(Sample());
    StartModule(options);
    MustSave("new.bin", EncodeSetup(Sample()));
    const QString old = Path(QString("old.") + GetParam());
    MustSave("old." + QString(GetParam()), EncodeSetup(SetupModel{}));
    QFile file(old);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    const QStringList arguments = QString(GetParam()) == "txt"
                                      ? QStringList{"convert", Path("new.bin"), old}
                                      : QStringList{"read", "--port", port, old};
    const Outcome outcome = Kdx17(arguments, 512);
    EXPECT_NE(outcome.status, 0);
    // The system's reason, in the program's own words.
    EXPECT_TRUE(outcome.err.endsWith(old + ": soubor je příliš velký\n"))
        << outcome.err.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{"new.bin", old.section('/', -1)}));
}

// "txt" by convert, "bin" by read.
INSTANTIATE_TEST_SUITE_P(ConvertAndRead, CliFullDisk, ::testing::Values("txt", "bin"));

// What is not a small regular file is refused at once with its reason, never read without end
// or waited on.
TEST_F(CliE2e, InputsThatAreNoFilesAreRefusedAtOnce) {
    QFile::link("/dev/zero", Path("zero.bin"));
    ::mkfifo(QFile::encodeName(Path("fifo.txt")).constData(), 0600);
    QDir().mkdir(Path("dir.json"));
    QFile big(Path("big.json"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(2'000'000));
    // The system calls it a regular file; reading it fails.
    QFile::link("/proc/self/mem", Path("mem.bin"));
    const std::pair<const char*, const char*> cases[] = {
        {"zero.bin", "není obyčejný soubor"}, {"fifo.txt", "není obyčejný soubor"},
        {"dir.json", "je to adresář"},        {"big.json", "soubor má 2000000 bajtů"},
        {"mem.bin", "chyba čtení"},           {"missing.bin", "soubor neexistuje"}};
    for (const auto& [name, message] : cases) {
        QElapsedTimer clock;
        clock.start();
        const Outcome show = Kdx17({"show", Path(name)});
        EXPECT_LT(clock.elapsed(), 2000) << name;
        EXPECT_EQ(show.status, 2) << name;
        EXPECT_TRUE(show.err.startsWith("kdx17: " + Path(name) + ": " + message))
            << show.err.toStdString();
    }
}

// A name that stands for no regular file, or for a file with other names too, is never replaced:
// the save is refused with its reason and the name stands for what it stood for.
struct SaveTarget {
    const char* name;
    std::function<void(const test::TempFiles&)> make;  // makes "target.json"
    const char* message;
};

class CliSaveTargets : public CliE2e, public ::testing::WithParamInterface<SaveTarget> {};

TEST_P(CliSaveTargets, AreRefusedAndLeftAsTheyWere) {
    GetParam().make(*this);
    const QByteArray target = QFile::encodeName(Path("target.json"));
    auto identity = [&] {  // the name itself and what it leads to
        struct stat name {
        }, file{};
        EXPECT_EQ(::lstat(target, &name), 0);
        EXPECT_EQ(::stat(target, &file), 0);
        return std::tuple(name.st_ino, file.st_ino, file.st_mode, file.st_rdev, file.st_size);
    };
    const auto before = identity();
    const Outcome save = Kdx17({"defaults", Path("target.json")});
    EXPECT_EQ(save.status, 2);
    EXPECT_TRUE(save.err.startsWith("kdx17: " + Path("target.json") + ": " + GetParam().message))
        << save.err.toStdString();
    EXPECT_EQ(identity(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliSaveTargets,
    ::testing::Values(
        // A device of its own, never one of the system's: /dev/null's numbers.
        SaveTarget{"LinkToADevice",
                   [](const test::TempFiles& files) {
                       ASSERT_EQ(::mknod(QFile::encodeName(files.Path("null")), S_IFCHR | 0666,
                                         makedev(1, 3)),
                                 0)
                           << std::strerror(errno);
                       ASSERT_TRUE(QFile::link(files.Path("null"), files.Path("target.json")));
                   },
                   "není obyčejný soubor"},
        SaveTarget{"Fifo",
                   [](const test::TempFiles& files) {
                       ASSERT_EQ(::mkfifo(QFile::encodeName(files.Path("target.json")), 0600), 0);
                   },
                   "není obyčejný soubor"},
        SaveTarget{"HardLinked",
                   [](const test::TempFiles& files) {
                       files.WriteFile("target.json", "{}");
                       ASSERT_EQ(::link(QFile::encodeName(files.Path("target.json")),
                                        QFile::encodeName(files.Path("other.json"))),
                                 0);
                   },
                   "soubor má i jiná jména"}),
    [](const auto& info) { return std::string(info.param.name); });

// Silence in the middle of a write leaves the module with part of the new setup: said plainly,
// once. A module silent from the start got nothing: no such alarm.
TEST_F(CliE2e, AWriteEndedEarlySaysWhatTheModuleMayHold) {
    for (const auto& [silentFrom, partly] : {std::pair{2 * 400 + 2, 1}, std::pair{1, 0}}) {
        VirtualModule::Options options;
        options.faults = {{Fault::Kind::kNoAnswer, silentFrom}};  // 802: the ACK to data byte 400
        StartModule(options);
        MustSave("sample.bin", EncodeSetup(Sample()));
        const Outcome write = Kdx17({"write", "--port", port, Path("sample.bin")});
        EXPECT_EQ(write.status, 1);
        EXPECT_EQ(write.out.count(QString::fromUtf8(messages::kPartlyWritten)), partly)
            << write.out.toStdString();
    }
}

TEST_F(CliE2e, AFaultDuringReadLeavesNoFile) {
    VirtualModule::Options options;
    options.memory = EncodeSetup(Sample());
    options.faults = {{Fault::Kind::kHangUp, 200}};
    StartModule(options);
    const Outcome read = Kdx17({"read", "--port", port, Path("backup.bin")});
    EXPECT_EQ(read.status, 1);
    EXPECT_TRUE(read.out.endsWith("chyba v prenosu!\n")) << read.out.toStdString();
    EXPECT_FALSE(QFile::exists(Path("backup.bin")));
}

// Only a whole memory is saved; one that does not decode (an erased module) only as bytes.
struct ReadCase {
    const char* name;
    std::size_t earlyEm;  // the module ends the read with EM at this answer; 0: never
    const char* file;
    int status;
    const char* message;
};

class CliRead : public CliE2e, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(CliRead, SavesOnlyAWholeMemory) {
    VirtualModule::Options options;  // an erased module: all 0xFF
    if (GetParam().earlyEm > 0) options.faults = {{Fault::Kind::kEarlyEm, GetParam().earlyEm}};
    StartModule(options);
    const Outcome read = Kdx17({"read", "--port", port, Path(GetParam().file)});
    EXPECT_EQ(read.status, GetParam().status);
    EXPECT_TRUE(read.err.contains(GetParam().message)) << read.err.toStdString();
    EXPECT_EQ(QFile::exists(Path(GetParam().file)), GetParam().status == 0);
    if (GetParam().status == 0) {
        EXPECT_EQ(MustLoad(GetParam().file), module->Memory());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliRead,
    ::testing::Values(ReadCase{"ErasedToBin", 0, "erased.bin", 0, "varování"},
                      ReadCase{"ErasedToJson", 0, "erased.json", 1, "uložte ji jako .bin"},
                      ReadCase{"EndedByEm", 500, "part.bin", 1, "celou paměť"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliE2e, WriteSaysTheFindingsAndWritesAnyway) {
    StartModule();
    SetupModel setup = Sample();
    setup.commandTable[4].smsText = "Světlo";
    MustSave("twice.json", EncodeSetup(setup));
    const Outcome write = Kdx17({"write", "--port", port, Path("twice.json")});
    EXPECT_EQ(write.status, 0) << write.err.toStdString();
    EXPECT_TRUE(write.err.startsWith("commands[5].sms: upozornění: ")) << write.err.toStdString();
    EXPECT_EQ(module->Memory(), EncodeSetup(setup));
}

// A file goes into the module as it holds it, byte for byte, also a row that no table shows as
// it is; an image that does not decode goes nowhere without --raw.
TEST_F(CliE2e, WriteSendsTheFileAsItIsOrNothing) {
    for (const auto& [image, status] :
         {std::pair{test::Action4Image(), 0}, std::pair{ConfigBuffer(layout::kBufferSize, 0), 2}}) {
        StartModule();
        const ConfigBuffer before = module->Memory();
        MustSave("file.bin", image);
        const Outcome write = Kdx17({"write", "--port", port, Path("file.bin")});
        EXPECT_EQ(write.status, status) << write.err.toStdString();
        EXPECT_TRUE(module->Memory() == (status == 0 ? image : before));
    }
}

// The trace follows the rules of every saved file; a refused one leaves everything as it was.
TEST_F(CliE2e, ATraceIsNeverOneOfTheCommandsFilesNorAnUnsafeTarget) {
    StartModule();
    MustSave("in.bin", EncodeSetup(Sample()));
    MustSave("kept.bin", EncodeSetup(Sample()));
    ASSERT_EQ(::mkfifo(qPrintable(Path("fifo")), 0600), 0);
    ASSERT_TRUE(QFile::link(Path("kept.bin"), Path("link.bin")));  // a second name of kept.bin
    ASSERT_EQ(::link(qPrintable(Path("kept.bin")), qPrintable(Path("hard.bin"))), 0);
    const QStringList read = {"read", "--port", port, Path("kept.bin"), "--trace"};
    const QStringList cases[] = {
        {"write", "--port", port, Path("in.bin"), "--trace", Path("in.bin")},
        read + QStringList{Path("link.bin")},
        read + QStringList{Path("fifo")},
        {"test", "--port", port, "--trace", Path("hard.bin")}};
    for (const QStringList& arguments : cases) {
        const Outcome outcome = Kdx17(arguments);
        EXPECT_EQ(outcome.status, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(outcome.out.isEmpty()) << "nothing sent: " << outcome.out.toStdString();
    }
    EXPECT_TRUE(MustLoad("in.bin") == EncodeSetup(Sample()));
    EXPECT_TRUE(MustLoad("kept.bin") == EncodeSetup(Sample()));
}

// A reader that stops early costs the read nothing.
TEST_F(CliE2e, AFinishedReadIsSavedWhateverBecomesOfItsOutput) {
    StartModule();
    QProcess shell;
    shell.start(
        "sh",
        {"-c",
         QString("'%1' read --port '%2' '%3' | head -c 1").arg(KDX17_CLI, port, Path("read.bin"))});
    ASSERT_TRUE(shell.waitForFinished(60000));
    EXPECT_TRUE(MustLoad("read.bin") == module->Memory());
}

TEST_F(CliE2e, VerifyComparesTheBytesWhateverTheyDecodeTo) {
    StartModule();
    MustSave("erased.bin", ConfigBuffer(layout::kBufferSize, 0xFF));
    const Outcome write = Kdx17({"write", "--port", port, Path("erased.bin"), "--verify", "--raw"});
    EXPECT_EQ(write.status, 0) << write.err.toStdString();
    EXPECT_TRUE(write.out.endsWith("ověření OK\n")) << write.out.toStdString();
}

struct BadInput {
    const char* name;
    const char* file;
    QByteArray content;
    const char* message;
};

class CliBadFiles : public CliE2e, public ::testing::WithParamInterface<BadInput> {};

TEST_P(CliBadFiles, AreRefusedBeforeAnythingIsSent) {
    std::vector<std::pair<bool, std::uint8_t>> wire;
    VirtualModule::Options options;
    options.memory = EncodeSetup(Sample());
    options.trace = [&wire](bool fromPc, std::uint8_t byte) { wire.emplace_back(fromPc, byte); };
    StartModule(options);
    WriteFile(GetParam().file, GetParam().content);
    const Outcome write = Kdx17({"write", "--port", port, Path(GetParam().file)});
    EXPECT_EQ(write.status, 2);
    EXPECT_TRUE(write.err.contains(GetParam().message)) << write.err.toStdString();
    EXPECT_TRUE(wire.empty());
    EXPECT_EQ(module->Memory(), EncodeSetup(Sample()));
}

QByteArray TxtWith300() {
    QByteArray text;
    for (int i = 0; i < 1024; ++i) text += (i == 700 ? "300" : "0") + QByteArray("\r\n");
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliBadFiles,
    ::testing::Values(
        BadInput{"TruncatedBin", "short.bin", QByteArray(1000, 0), "1000 bajtů"},
        BadInput{"EmptyJson", "empty.json", "{}", "empty.json: commands: chybí"},
        BadInput{"JsonWithoutAnSms", "part.json", test::WholeJson([](QJsonObject& root) {
                     test::ChangeCommand(root, 3,
                                         [](QJsonObject& command) { command.remove("sms"); });
                 }),
                 "part.json: commands[3].sms: chybí"},
        BadInput{"TxtValue300", "value.txt", TxtWith300(), "chyba v radku 701!"},
        BadInput{"JsonUnknownOutput", "word.json",
                 R"({"commands":[)" + QByteArray("{},").repeated(19) + R"({"output":"RELE9"}]})",
                 "commands[20].output: neznámé slovo \"RELE9\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliE2e, TheTraceNamesEveryByteOfALinkTest) {
    StartModule();
    const Outcome test = Kdx17({"test", "--port", port, "--trace", Path("wire.trace")});
    EXPECT_EQ(test.status, 0) << test.err.toStdString();
    EXPECT_EQ(test.out, "TEST OK\n");
    QFile trace(Path("wire.trace"));
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    QStringList lines;
    for (const QByteArray& line : trace.readAll().split('\n')) {
        if (!line.isEmpty()) lines << QString(line).section(' ', 1, -1, QString::SectionSkipEmpty);
    }
    EXPECT_EQ(lines, (QStringList{"PC->KDX 03", "PC->KDX 03", "KDX->PC 06", "KDX->PC 06"}));
}

// The check before a write ends with the module's ACK: the write's own ETX follows after the
// line's quiet time, not after the 500 ms the window's TEST waits.
TEST_F(CliE2e, WriteStartsRightAfterTheLinkChecksAck) {
    std::vector<std::chrono::steady_clock::time_point> etx;
    VirtualModule::Options options;
    options.faults = {{Fault::Kind::kEarlyEm, 1}};  // the write ends after its first byte
    options.trace = [&etx](bool fromPc, std::uint8_t byte) {
        if (fromPc && byte == 0x03) etx.push_back(std::chrono::steady_clock::now());
    };
    StartModule(options);
    MustSave("sample.bin", EncodeSetup(Sample()));
    const Outcome write = Kdx17({"write", "--port", port, Path("sample.bin")});
    EXPECT_EQ(write.out, "TEST OK\nZápis START\nPrenos OK\n");
    ASSERT_EQ(etx.size(), 3u);  // the check's two, the write's one
    EXPECT_LT(etx[2] - etx[0], std::chrono::milliseconds(400));
}

TEST_F(CliE2e, WriteWaitsForTheLinkTest) {
    VirtualModule::Options options;
    options.faults = {{Fault::Kind::kNoAnswer, 1}};
    StartModule(options);
    MustSave("sample.bin", EncodeSetup(Sample()));
    const Outcome write = Kdx17({"write", "--port", port, Path("sample.bin")});
    EXPECT_EQ(write.status, 1);
    EXPECT_EQ(write.out, "TEST ERROR\n");
    EXPECT_EQ(module->Memory(), ConfigBuffer(layout::kBufferSize, 0xFF));
}

// SIGINT, SIGTERM or SIGQUIT during a write lets it finish; a second one ends it at once. A
// lost terminal (SIGHUP, as often as a shell sends it) lets it finish without a word; SIGPIPE
// changes nothing.
struct SignalCase {
    const char* name;
    std::vector<int> sent;
    int status;
    const char* message;
    bool whole;  // the module holds the whole image afterwards
};

class CliWriteSignals : public CliE2e, public ::testing::WithParamInterface<SignalCase> {};

TEST_P(CliWriteSignals, FinishTheWriteUnlessRepeated) {
    std::atomic<bool> writing = false;
    VirtualModule::Options options;
    options.trace = [&writing](bool fromPc, std::uint8_t byte) {
        if (fromPc && byte == 0x0B) writing = true;  // the write command
    };
    StartModule(options);
    MustSave("sample.bin", EncodeSetup(Sample()));
    QProcess process;
    process.start(KDX17_CLI, {"write", "--port", port, Path("sample.bin")});
    ASSERT_TRUE(process.waitForStarted());
    // 1 s in, and the write under way however slowly the machine got there.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    for (int i = 0; !writing && i < 1000; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (const int number : GetParam().sent) {
        ::kill(static_cast<pid_t>(process.processId()), number);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(process.waitForFinished(60000));
    // The signals' words on stderr, the log's (the partial-setup line) on stdout.
    const QString said = QString::fromUtf8(process.readAllStandardError() + process.readAll());
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), GetParam().status) << said.toStdString();
    if (*GetParam().message) {
        EXPECT_TRUE(said.contains(GetParam().message)) << said.toStdString();
    } else {
        EXPECT_FALSE(said.contains("zápis se dokončí")) << said.toStdString();
    }
    EXPECT_EQ(module->Memory() == EncodeSetup(Sample()), GetParam().whole);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliWriteSignals,
    ::testing::Values(SignalCase{"Sigint", {SIGINT}, 0, "zápis se dokončí", true},
                      SignalCase{"Sigterm", {SIGTERM}, 0, "zápis se dokončí", true},
                      SignalCase{"Sigquit", {SIGQUIT}, 0, "zápis se dokončí", true},
                      SignalCase{"LostTerminal", {SIGHUP, SIGHUP}, 0, "", true},
                      SignalCase{"Sigpipe", {SIGPIPE}, 0, "", true},
                      SignalCase{
                          "Repeated", {SIGINT, SIGTERM}, 1, "zčásti zapsané nastavení", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliE2e, BadUsageAndMissingPorts) {
    EXPECT_EQ(Kdx17({}).status, 2);
    EXPECT_EQ(Kdx17({"read", Path("x.bin")}).status, 2);  // no --port
    EXPECT_EQ(Kdx17({"frobnicate"}).status, 2);
    for (const char* port : {"7", "0", "-1"}) {
        EXPECT_EQ(Kdx17({"test", "--port", port}).status, 2) << port;
    }
    // Not UTF-8: refused, never saved under another name.
    const std::string notUtf8 = "'" + QFile::encodeName(dir.path()).toStdString() + "/\xff.json'";
    EXPECT_EQ(WEXITSTATUS(std::system((KDX17_CLI " defaults " + notUtf8 + " 2>/dev/null").c_str())),
              2);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    const Outcome missing = Kdx17({"test", "--port", "/dev/kdx17-no-such-port"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains("chyba otevreni portu")) << missing.err.toStdString();
    const Outcome help = Kdx17({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("kdx17 PŘÍKAZ")) << help.out.toStdString();
    // A slip must not put a PDF over the setup it was made from.
    MustSave("site.json", EncodeSetup(Sample()));
    EXPECT_EQ(Kdx17({"sheet", Path("site.json"), "-o", Path("site.json")}).status, 2);
    EXPECT_EQ(Kdx17({"sheet", Path("site.json")}).status, 2);
    EXPECT_EQ(MustLoad("site.json"), EncodeSetup(Sample()));
}

// What a poppler tool says of a file.
QString Poppler(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.start(tool, arguments);
    EXPECT_TRUE(process.waitForFinished(30000)) << tool.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << tool.toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The customer's page of a full setup, from a setup file or an image alike: one page holding
// every command, number and text, its fonts embedded so that it prints the same anywhere.
class CliSheet : public CliE2e, public ::testing::WithParamInterface<const char*> {};

TEST_P(CliSheet, IsOnePageWithEveryWordAndEveryFontEmbedded) {
    const SetupModel setup = test::FullSetup();
    const QString input = Path(QString("site.") + GetParam());
    FileError error;
    ASSERT_TRUE(SaveSetup(input, setup, error)) << error.message.toStdString();
    const Outcome sheet = Kdx17({"sheet", input, "-o", Path("site.pdf")});
    ASSERT_EQ(sheet.status, 0) << sheet.err.toStdString();

    EXPECT_TRUE(
        Poppler("pdfinfo", {Path("site.pdf")}).contains(QRegularExpression("Pages: +1\\n")));
    const QString text = Poppler("pdftotext", {Path("site.pdf"), "-"});
    QStringList words = {"Přehled nastavení", "Chata Lipno", "*101#", "Místo instalace"};
    for (const CommandRow& row : setup.commandTable) words << QString::fromStdString(row.smsText);
    for (const PhoneEntry& entry : setup.phoneList) words << QString::fromStdString(entry.number);
    for (int t = 1; t < kMessageTexts; ++t) {
        words << QString::fromStdString(setup.messageTexts.Text(t));
    }
    for (const QString& word : words) EXPECT_TRUE(text.contains(word)) << word.toStdString();

    // pdffonts: two title lines, then one line per font whose "emb" column says yes.
    const QStringList fonts =
        Poppler("pdffonts", {Path("site.pdf")}).split('\n', Qt::SkipEmptyParts);
    ASSERT_GT(fonts.size(), 2);
    const qsizetype emb = fonts[0].indexOf("emb");
    for (const QString& font : fonts.mid(2))
        EXPECT_EQ(font.mid(emb, 3), "yes") << font.toStdString();
}

INSTANTIATE_TEST_SUITE_P(AnySetupFile, CliSheet, ::testing::Values("json", "bin"));

}  // namespace
}  // namespace kdx
