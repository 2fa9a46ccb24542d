// The virtual module against the wire table: its protocol alone, then over its pseudo-terminal
// with a plain raw file descriptor.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "sim/ModuleProtocol.h"
#include "sim/VirtualModule.h"

namespace kdx::sim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;
using K = Fault::Kind;

constexpr std::uint8_t kEtx = 0x03, kRead = 0x0C, kWrite = 0x0B, kStx = 0x02, kAck = 0x06,
                       kEm = 0x19;
constexpr auto kByteTime = 521us;

// ---- the protocol alone

struct Exchange {
    std::uint8_t pc;
    std::optional<std::uint8_t> module;
};

struct ProtocolCase {
    const char* name;
    std::size_t earlyEm;
    std::vector<Exchange> exchanges;
};
void PrintTo(const ProtocolCase& c, std::ostream* os) { *os << c.name; }

class ProtocolTest : public ::testing::TestWithParam<ProtocolCase> {};

TEST_P(ProtocolTest, AnswersAsTheWireTableSays) {
    Bytes memory(1024);
    std::iota(memory.begin(), memory.end(), std::uint8_t{0x40});
    ModuleProtocol module(memory);
    module.SetEarlyEm(GetParam().earlyEm);
    for (std::size_t i = 0; i < GetParam().exchanges.size(); ++i) {
        const Exchange& e = GetParam().exchanges[i];
        EXPECT_EQ(module.Receive(e.pc), e.module) << "exchange " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Exchanges, ProtocolTest,
    ::testing::Values(
        ProtocolCase{"Test", 0, {{kEtx, kAck}, {kEtx, kAck}}},
        ProtocolCase{
            "Read",
            0,
            {{kEtx, kAck}, {kRead, kAck}, {kStx, 0x40}, {kAck, {}}, {kStx, 0x41}, {kAck, {}}}},
        ProtocolCase{"Write",
                     0,
                     {{kEtx, kAck},
                      {kWrite, kAck},
                      {kStx, kAck},
                      {0x55, kAck},
                      {kStx, kAck},
                      {kEtx, kAck}}},  // ETX here is data
        ProtocolCase{"ReadEarlyEm",
                     2,
                     {{kEtx, kAck},
                      {kRead, kAck},
                      {kStx, 0x40},
                      {kAck, {}},
                      {kStx, 0x41},
                      {kAck, kEm},
                      {kStx, {}}}},
        ProtocolCase{"WriteEarlyEm",
                     2,
                     {{kEtx, kAck},
                      {kWrite, kAck},
                      {kStx, kAck},
                      {1, kAck},
                      {kStx, kAck},
                      {2, kEm},
                      {kStx, {}}}},
        ProtocolCase{"NothingBeforeEtx", 0, {{kRead, {}}, {kStx, {}}, {kAck, {}}, {kEtx, kAck}}},
        ProtocolCase{"EtxStartsAfresh",
                     0,
                     {{kEtx, kAck},
                      {kRead, kAck},
                      {kStx, 0x40},
                      {kEtx, kAck},
                      {kRead, kAck},
                      {kStx, 0x40}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProtocolTest, WholeTransfersEndWithAnUnansweredEtx) {
    Bytes image(1024);
    std::iota(image.begin(), image.end(), std::uint8_t{0});  // every value, ETX and STX too
    ModuleProtocol module;
    EXPECT_EQ(module.Memory(), Bytes(1024, 0xFF));  // a new module
    module.Receive(kEtx);
    module.Receive(kWrite);
    for (std::uint8_t byte : image) {
        ASSERT_EQ(module.Receive(kStx), kAck);
        ASSERT_EQ(module.Receive(byte), kAck);
    }
    EXPECT_EQ(module.Memory(), image);
    EXPECT_EQ(module.Receive(kEtx), std::nullopt);

    EXPECT_EQ(module.Receive(kEtx), kAck);
    module.Receive(kRead);
    Bytes read;
    for (int n = 0; n < 1024; ++n) {
        read.push_back(module.Receive(kStx).value_or(0));
        EXPECT_EQ(module.Receive(kAck), std::nullopt);
    }
    EXPECT_EQ(read, image);
    EXPECT_TRUE(module.Receive(kStx).has_value());  // byte 1025, which the PC drops
    EXPECT_EQ(module.Receive(kEtx), std::nullopt);
    EXPECT_EQ(module.Receive(kEtx), kAck);  // the next procedure
}

// ---- over the pseudo-terminal

class Line {
  public:
    explicit Line(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
        termios raw{};
        ::tcgetattr(fd_, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(fd_, TCSANOW, &raw);
    }
    ~Line() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    void Send(const Bytes& bytes) {
        sentAt_ = Clock::now();
        ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Up to `count` bytes arriving within `wait`, each with its time after the latest Send.
    std::vector<std::pair<std::uint8_t, Clock::duration>> Receive(std::size_t count,
                                                                  Clock::duration wait = 2s) {
        std::vector<std::pair<std::uint8_t, Clock::duration>> got;
        const auto end = Clock::now() + wait;
        while (got.size() < count && Clock::now() < end) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0) continue;
            std::uint8_t buffer[64];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) break;  // the line has closed
            for (ssize_t i = 0; i < n; ++i) got.push_back({buffer[i], Clock::now() - sentAt_});
        }
        return got;
    }
    // What comes back to `send`: the bytes expected, and any more within 100 ms.
    Bytes Exchange(const Bytes& send, std::size_t expected) {
        Send(send);
        Bytes bytes;
        for (const auto& [byte, at] : Receive(expected)) bytes.push_back(byte);
        for (const auto& [byte, at] : Receive(1, 100ms)) bytes.push_back(byte);
        return bytes;
    }

  private:
    int fd_;
    Clock::time_point sentAt_;
};

struct Served {
    explicit Served(VirtualModule::Options options) : module(std::move(options)) {
        std::string error;
        EXPECT_TRUE(module.Start(&error)) << error;
    }
    VirtualModule module;
};

struct PaceCase {
    const char* name;
    bool paceIncoming;
    std::chrono::microseconds delay;
    std::size_t etxSent;  // each answered by one ACK
    std::chrono::microseconds lastNoSoonerThan;
    std::chrono::microseconds latencyTimer{0};
};
void PrintTo(const PaceCase& c, std::ostream* os) { *os << c.name; }

class PaceTest : public ::testing::TestWithParam<PaceCase> {};

TEST_P(PaceTest, AnswersComeNoSoonerThanTheWireAndTheDelayAllow) {
    VirtualModule::Options options;
    options.paceIncoming = GetParam().paceIncoming;
    options.reactionDelay = GetParam().delay;
    options.latencyTimer = GetParam().latencyTimer;
    Served served(options);
    Line line(served.module.DevicePath());
    ASSERT_TRUE(line.ok());
    line.Send(Bytes(GetParam().etxSent, kEtx));
    const auto got = line.Receive(GetParam().etxSent);
    ASSERT_EQ(got.size(), GetParam().etxSent);
    EXPECT_EQ(got.back().first, kAck);
    EXPECT_GE(got.back().second, GetParam().lastNoSoonerThan);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, PaceTest,
    ::testing::Values(PaceCase{"Delay", true, 3ms, 1, 3ms + 2 * kByteTime},
                      // four answers queue behind each other on the module's line
                      PaceCase{"Spacing", true, 500us, 4, 500us + 5 * kByteTime},
                      PaceCase{"InstantIncoming", false, 0us, 3, 3 * kByteTime},
                      // held by the converter until its clock's first tick, 100 ms after start
                      PaceCase{"BehindAConverter", true, 500us, 2, 90ms, 100ms}),
    [](const auto& info) { return std::string(info.param.name); });

struct FaultCase {
    const char* name;
    Fault fault;
    std::vector<std::pair<Bytes, Bytes>> exchanges;  // what the PC sends, what comes back
};
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class FaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultTest, ShowsOnTheLine) {
    VirtualModule::Options options;
    options.memory = Bytes(1024, 0x5A);
    options.faults = {GetParam().fault};
    Served served(options);
    Line line(served.module.DevicePath());
    for (const auto& [send, expected] : GetParam().exchanges) {
        EXPECT_EQ(line.Exchange(send, expected.size()), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultTest,
    ::testing::Values(
        FaultCase{"NoAnswer", {K::kNoAnswer, 2}, {{{kEtx}, {kAck}}, {{kRead}, {}}, {{kStx}, {}}}},
        FaultCase{"Duplicate",
                  {K::kDuplicateAnswer, 3},
                  {{{kEtx}, {kAck}}, {{kRead}, {kAck}}, {{kStx}, {0x5A, 0x5A}}}},
        FaultCase{"Wrong",
                  {K::kWrongAnswer, 4},
                  {{{kEtx}, {kAck}}, {{kWrite}, {kAck}}, {{kStx}, {kAck}}, {{1}, {0x15}}}},
        FaultCase{"EarlyEm",
                  {K::kEarlyEm, 1},
                  {{{kEtx}, {kAck}}, {{kRead}, {kAck}}, {{kStx}, {0x5A}}, {{kAck}, {kEm}}}},
        // Answers count anew from each opening ETX.
        FaultCase{"CountsPerProcedure",
                  {K::kNoAnswer, 2},
                  {{{kEtx}, {kAck}}, {{kEtx}, {kAck}}, {{kRead}, {}}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VirtualModuleTest, LateAnswerComesNoSoonerThanItsDelay) {
    VirtualModule::Options options;
    options.lateBy = 300ms;
    options.faults = {{K::kLateAnswer, 2}};
    Served served(options);
    Line line(served.module.DevicePath());
    EXPECT_EQ(line.Exchange({kEtx}, 1), Bytes{kAck});
    line.Send({kRead});
    const auto got = line.Receive(1, 5s);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_GE(got[0].second, 300ms);
}

class ImageTest : public ::testing::Test {
  protected:
    void TearDown() override { std::filesystem::remove(path); }
    std::string path = std::filesystem::temp_directory_path() /
                       ("kdx17-sim-test-" + std::to_string(::getpid()) + ".bin");
};

TEST_F(ImageTest, WriteIsSavedAndLoadedAgain) {
    VirtualModule::Options options;
    options.imagePath = path;  // not there yet: a new module
    {
        Served served(options);
        Line line(served.module.DevicePath());
        for (std::uint8_t byte : {kEtx, kWrite, kStx, std::uint8_t{0x42}, kEtx}) {
            line.Exchange({byte}, 1);  // the last ETX ends the write: saved
        }
        std::ifstream file(path, std::ios::binary);
        const Bytes saved{std::istreambuf_iterator<char>(file), {}};
        ASSERT_EQ(saved.size(), 1024u);
        EXPECT_EQ(saved[0], 0x42);
        EXPECT_EQ(saved[1], 0xFF);
    }
    Served again(options);
    EXPECT_EQ(again.module.Memory()[0], 0x42);
}

TEST_F(ImageTest, AnImageOfAnotherSizeIsRefused) {
    std::ofstream(path, std::ios::binary) << "short";
    VirtualModule::Options options;
    options.imagePath = path;
    VirtualModule module(options);
    std::string error;
    EXPECT_FALSE(module.Start(&error));
    EXPECT_NE(error.find("1024"), std::string::npos);
}

// ---- the program

// A bad number is said in one line; nan and infinity are no durations.
TEST(SimProgramTest, HelpAndBadOptions) {
    struct Run {
        const char* arguments;
        int status;
        bool oneLine = false;
    };
    const Run runs[] = {{" --help", 0},
                        {" --fault nonsense", 2},
                        {" --delay", 2},
                        {" --wrong 300", 2, true},
                        {" --delay nan", 2, true},
                        {" --latency -nan", 2, true},
                        {" --late inf", 2, true},
                        {" --delay 600001", 2, true}};
    for (const Run& run : runs) {
        FILE* pipe = ::popen((std::string(KDX17_SIM) + run.arguments + " 2>&1").c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string output;
        for (char buffer[256]; std::fgets(buffer, sizeof buffer, pipe);) output += buffer;
        EXPECT_EQ(WEXITSTATUS(::pclose(pipe)), run.status) << run.arguments;
        if (run.oneLine) {
            EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
        }
    }
}

// What is no regular file of at most 1 MiB is refused at once, as kdx17 refuses it: never read
// without end, never waited on.
TEST(SimProgramTest, BadImagesAreRefusedAtOnce) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kdx17-sim-images-" + std::to_string(::getpid()));
    std::filesystem::create_directory(dir);
    ASSERT_EQ(::mkfifo((dir / "fifo.bin").c_str(), 0600), 0);
    std::filesystem::resize_file((std::ofstream(dir / "big.bin"), dir / "big.bin"), 2 << 20);
    // Nor is one accepted that could not be saved at the end.
    std::filesystem::resize_file((std::ofstream(dir / "linked.bin"), dir / "linked.bin"), 1024);
    std::filesystem::create_hard_link(dir / "linked.bin", dir / "other.bin");
    for (const std::string& image :
         {dir.string(), std::string("/dev/zero"), (dir / "fifo.bin").string(),
          (dir / "big.bin").string(), (dir / "linked.bin").string(),
          (dir / "no-such-folder" / "new.bin").string()}) {
        const auto start = Clock::now();
        FILE* pipe = ::popen(("timeout 5 " KDX17_SIM " --image " + image + " 2>&1").c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string output;
        for (char buffer[256]; std::fgets(buffer, sizeof buffer, pipe);) output += buffer;
        EXPECT_EQ(WEXITSTATUS(::pclose(pipe)), 2) << image;
        EXPECT_LT(Clock::now() - start, 1s) << image;
        EXPECT_EQ(output.rfind("kdx17-sim: " + image + ": ", 0), 0u) << output;
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    }
    std::filesystem::remove_all(dir);
}

// Killed at any moment around the save that ends a write, the module leaves its old image or
// the new one, whole.
TEST(SimProgramTest, AKillDuringASaveLeavesAWholeImage) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kdx17-sim-kills-" + std::to_string(::getpid()));
    std::filesystem::create_directory(dir);
    const std::string image = dir / "module.bin";
    const Bytes old(1024, 0x11);
    Bytes written = old;
    written[0] = 0x42;
    std::mt19937 random(20);
    int kills = 0, newImages = 0;
    for (; kills < 40; ++kills) {
        std::ofstream(image, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(old.data()), std::streamsize(old.size()));
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const char* argv[] = {KDX17_SIM, "--image", image.c_str(), nullptr};
        pid_t pid = 0;
        ASSERT_EQ(
            ::posix_spawn(&pid, KDX17_SIM, &actions, nullptr, const_cast<char**>(argv), environ),
            0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        FILE* device = ::fdopen(out[0], "r");
        char path[256] = {};
        ASSERT_NE(std::fgets(path, sizeof path, device), nullptr);
        path[std::strcspn(path, "\n")] = '\0';
        {
            Line line(path);
            for (std::uint8_t byte : {kEtx, kWrite, kStx, std::uint8_t{0x42}}) {
                line.Send({byte});
                ASSERT_EQ(line.Receive(1).size(), 1u);
            }
            line.Send({kEtx});  // ends the write: the module saves about a millisecond later
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 10000));
            ::kill(pid, SIGKILL);
        }
        ::waitpid(pid, nullptr, 0);
        std::fclose(device);
        std::ifstream file(image, std::ios::binary);
        const Bytes left{std::istreambuf_iterator<char>(file), {}};
        ASSERT_TRUE(left == old || left == written) << "kill " << kills << ": " << left.size();
        newImages += left == written;
    }
    // A temporary file renamed over the image the moment the kill came stays (rarely).
    const auto files = std::distance(std::filesystem::directory_iterator(dir), {});
    std::printf("%d kills, %d left the new image, %d files beside it\n", kills, newImages,
                int(files - 1));
    std::filesystem::remove_all(dir);
}

TEST(SimProgramTest, PrintsItsDeviceFirstAndServesIt) {
    // The hang-up fault ends the program at the second answer.
    FILE* pipe = ::popen((std::string(KDX17_SIM) + " --fault hangup:2").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char first[256] = {};
    ASSERT_NE(std::fgets(first, sizeof first, pipe), nullptr);
    std::string path(first);
    ASSERT_EQ(path.back(), '\n');
    path.pop_back();
    {
        Line line(path);
        ASSERT_TRUE(line.ok()) << path;
        EXPECT_EQ(line.Exchange({kEtx}, 1), Bytes{kAck});
        line.Send({kRead});
        line.Receive(1);
    }
    EXPECT_EQ(WEXITSTATUS(::pclose(pipe)), 0);
}

}  // namespace
}  // namespace kdx::sim
