// The virtual module against the wire table, over its pseudo-terminal with a plain raw fd.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <optional>
#include <string>

#include "sim/ModuleProtocol.h"
#include "sim/VirtualModule.h"

namespace kdx::sim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kEtx = 0x03, kRead = 0x0C, kWrite = 0x0B, kStx = 0x02, kAck = 0x06,
                       kEm = 0x19;
constexpr auto kByteTime = 521us;

// ---- the protocol alone: each exchange of the wire table

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
    Bytes memory(ModuleProtocol::kMemorySize);
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
            "ReadOpening",
            0,
            {{kEtx, kAck}, {kRead, kAck}, {kStx, 0x40}, {kAck, {}}, {kStx, 0x41}, {kAck, {}}}},
        ProtocolCase{"WriteOpening",
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

TEST(ProtocolTest, ANewModuleHoldsOnly0xFF) {
    EXPECT_EQ(ModuleProtocol().Memory(), Bytes(1024, 0xFF));
}

TEST(ProtocolTest, FullReadSendsEveryByteThenOneMore) {
    Bytes memory(1024);
    std::iota(memory.begin(), memory.end(), std::uint8_t{7});
    ModuleProtocol module(memory);
    module.Receive(kEtx);
    module.Receive(kRead);
    Bytes got;
    for (int n = 0; n < 1024; ++n) {
        got.push_back(module.Receive(kStx).value_or(0));
        EXPECT_FALSE(module.Receive(kAck));
    }
    EXPECT_EQ(got, memory);
    EXPECT_TRUE(module.Receive(kStx).has_value());  // byte 1025, which the PC drops
    EXPECT_EQ(module.Receive(kEtx), kAck);
}

TEST(ProtocolTest, FullWriteReplacesTheMemory) {
    ModuleProtocol module;
    module.Receive(kEtx);
    module.Receive(kWrite);
    Bytes image(1024);
    std::iota(image.begin(), image.end(), std::uint8_t{0});  // every byte value, ETX and STX too
    for (std::uint8_t byte : image) {
        ASSERT_EQ(module.Receive(kStx), kAck);
        ASSERT_TRUE(module.Writing());
        ASSERT_EQ(module.Receive(byte), kAck);
    }
    EXPECT_FALSE(module.Writing());
    EXPECT_EQ(module.Memory(), image);
    EXPECT_EQ(module.Answers(), 2u + 2 * 1024);
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
    void Send(Bytes bytes) {
        sentAt = Clock::now();
        ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // The bytes that arrive within `wait`, stopping early once `count` are in; each with its
    // arrival time after the latest Send.
    std::vector<std::pair<std::uint8_t, Clock::duration>> Receive(std::size_t count,
                                                                  Clock::duration wait) {
        std::vector<std::pair<std::uint8_t, Clock::duration>> got;
        const auto end = Clock::now() + wait;
        while (got.size() < count && Clock::now() < end) {
            pollfd p{fd_, POLLIN, 0};
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            if (::poll(&p, 1, static_cast<int>(left.count()) + 1) <= 0) continue;
            if (p.revents & (POLLHUP | POLLERR)) {
                hungUp = true;
                break;
            }
            std::uint8_t buffer[64];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) {
                hungUp = true;
                break;
            }
            for (ssize_t i = 0; i < n; ++i) got.push_back({buffer[i], Clock::now() - sentAt});
        }
        return got;
    }
    Bytes ReceiveBytes(std::size_t count, Clock::duration wait = 500ms) {
        Bytes bytes;
        for (const auto& [byte, at] : Receive(count, wait)) bytes.push_back(byte);
        return bytes;
    }
    Bytes Exchange(Bytes send, std::size_t expected) {
        Send(std::move(send));
        return ReceiveBytes(expected);
    }

    Clock::time_point sentAt;
    bool hungUp = false;

  private:
    int fd_;
};

struct Served {
    explicit Served(VirtualModule::Options options) : module(std::move(options)) {
        EXPECT_TRUE(module.Start(&error)) << error;
    }
    std::string error;
    VirtualModule module;
};

TEST(VirtualModuleTest, AnswerComesAfterBothByteTimesAndTheDelay) {
    VirtualModule::Options options;
    options.reactionDelay = 3ms;
    Served served(options);
    Line line(served.module.DevicePath());
    ASSERT_TRUE(line.ok());
    line.Send({kEtx});
    const auto got = line.Receive(1, 1s);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].first, kAck);
    EXPECT_GE(got[0].second, 3ms + 2 * kByteTime);
    EXPECT_LT(got[0].second, 3ms + 2 * kByteTime + 200ms);
}

TEST(VirtualModuleTest, BytesAreSpacedByTheirWireTime) {
    Served served({});
    Line line(served.module.DevicePath());
    line.Send({kEtx, kEtx, kEtx, kEtx});  // four answers, each one byte time after the last
    const auto got = line.Receive(4, 1s);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_GE(got[3].second, 500us + 5 * kByteTime);  // first one in, then four out
}

TEST(VirtualModuleTest, InstantIncomingSkipsThePcsByteTime) {
    VirtualModule::Options options;
    options.paceIncoming = false;
    options.reactionDelay = 0us;
    Served served(options);
    Line line(served.module.DevicePath());
    line.Send({kEtx, kEtx, kEtx});
    const auto got = line.Receive(3, 1s);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_GE(got[2].second, 3 * kByteTime);
}

TEST(VirtualModuleTest, ReadsAndWritesOverTheLine) {
    Served served({});
    Line line(served.module.DevicePath());
    EXPECT_EQ(line.Exchange({kEtx}, 1), Bytes{kAck});
    EXPECT_EQ(line.Exchange({kWrite}, 1), Bytes{kAck});
    for (std::uint8_t byte : {0x11, 0x03, 0x19}) {
        EXPECT_EQ(line.Exchange({kStx}, 1), Bytes{kAck});
        EXPECT_EQ(line.Exchange({byte}, 1), Bytes{kAck});
    }
    EXPECT_EQ(line.Exchange({kEtx}, 1), Bytes{kAck});  // abandons the write
    EXPECT_EQ(line.Exchange({kRead}, 1), Bytes{kAck});
    Bytes read;
    for (int i = 0; i < 4; ++i) {
        const Bytes got = line.Exchange({kStx}, 1);
        ASSERT_EQ(got.size(), 1u);
        read.push_back(got[0]);
        EXPECT_TRUE(line.Exchange({kAck}, 1).empty());  // nothing: the read goes on
    }
    EXPECT_EQ(read, (Bytes{0x11, 0x03, 0x19, 0xFF}));
    EXPECT_EQ(served.module.Memory()[2], 0x19);
}

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
    options.lateBy = 200ms;
    options.faults = {GetParam().fault};
    Served served(options);
    Line line(served.module.DevicePath());
    for (const auto& [send, expected] : GetParam().exchanges) {
        // A late or missing answer must not show within 150 ms.
        line.Send(send);
        EXPECT_EQ(line.ReceiveBytes(expected.size() + 1, 150ms), expected);
    }
}

using K = Fault::Kind;
INSTANTIATE_TEST_SUITE_P(
    Faults, FaultTest,
    ::testing::Values(
        FaultCase{"NoAnswer", {K::kNoAnswer, 2}, {{{kEtx}, {kAck}}, {{kRead}, {}}, {{kStx}, {}}}},
        FaultCase{"NoAnswerAtAll", {K::kNoAnswer, 1}, {{{kEtx}, {}}, {{kEtx}, {}}}},
        FaultCase{"Late", {K::kLateAnswer, 1}, {{{kEtx}, {}}, {{}, {kAck}}}},
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

TEST(VirtualModuleTest, HangUpClosesTheLine) {
    VirtualModule::Options options;
    options.faults = {{Fault::Kind::kHangUp, 2}};
    Served served(options);
    Line line(served.module.DevicePath());
    EXPECT_EQ(line.Exchange({kEtx}, 1), Bytes{kAck});
    line.Send({kRead});
    EXPECT_TRUE(line.ReceiveBytes(1, 1s).empty());
    EXPECT_TRUE(line.hungUp);
    EXPECT_TRUE(served.module.LineClosed());
}

class ImageTest : public ::testing::Test {
  protected:
    void TearDown() override { std::filesystem::remove(path); }
    std::string path = std::filesystem::temp_directory_path() /
                       ("kdx17-sim-test-" + std::to_string(::getpid()) + ".bin");
};

TEST_F(ImageTest, WriteIsSavedAndLoadedAgain) {
    {
        VirtualModule::Options options;
        options.imagePath = path;  // not there yet: a new module
        Served served(options);
        EXPECT_EQ(served.module.Memory(), Bytes(1024, 0xFF));
        Line line(served.module.DevicePath());
        line.Exchange({kEtx}, 1);
        line.Exchange({kWrite}, 1);
        line.Exchange({kStx}, 1);
        line.Exchange({0x42}, 1);
        line.Exchange({kEtx}, 1);  // ends the write: saved
        std::ifstream file(path, std::ios::binary);
        const Bytes saved{std::istreambuf_iterator<char>(file), {}};
        ASSERT_EQ(saved.size(), 1024u);
        EXPECT_EQ(saved[0], 0x42);
        EXPECT_EQ(saved[1], 0xFF);
    }
    VirtualModule::Options options;
    options.imagePath = path;
    Served served(options);
    EXPECT_EQ(served.module.Memory()[0], 0x42);
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

std::string RunSim(const std::string& arguments, int* status) {
    const std::string command = std::string(KDX17_SIM) + " " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string output;
    char buffer[256];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    *status = pipe ? ::pclose(pipe) : -1;
    return output;
}

TEST(SimProgramTest, HelpAndBadOptions) {
    int status = 0;
    EXPECT_NE(RunSim("--help", &status).find("--fault"), std::string::npos);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    RunSim("--fault nonsense", &status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    RunSim("--delay", &status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

TEST(SimProgramTest, PrintsItsDeviceFirstAndServesIt) {
    // The hang-up fault ends the program after the first answer.
    FILE* pipe = ::popen((std::string(KDX17_SIM) + " --fault hangup:2").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char first[256] = {};
    ASSERT_NE(std::fgets(first, sizeof first, pipe), nullptr);
    std::string path(first);
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(path.back(), '\n');
    path.pop_back();
    {
        Line line(path);
        ASSERT_TRUE(line.ok()) << path;
        EXPECT_EQ(line.Exchange({kEtx}, 1), Bytes{kAck});
        line.Send({kRead});
        line.ReceiveBytes(1, 1s);
    }
    EXPECT_EQ(WEXITSTATUS(::pclose(pipe)), 0);
}

}  // namespace
}  // namespace kdx::sim
