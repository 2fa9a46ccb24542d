// The engine through the Qt serial adapter, its timer and driver, against the virtual module on
// a pseudo-terminal.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "config/Codec.h"
#include "link/LogMessages.h"
#include "link/TransferEngine.h"
#include "link/qt/QtSerialPort.h"
#include "link/qt/QtTransferDriver.h"
#include "link/qt/QtTransferTimer.h"
#include "sim/VirtualModule.h"
#include "tests/link/EngineRig.h"

namespace kdx::test {
namespace {

using namespace std::chrono_literals;
using sim::Fault;
using sim::VirtualModule;
using Log = std::vector<std::string>;
using K = Fault::Kind;

const std::string kReadStart(messages::kReadStart);
const std::string kWriteStart(messages::kWriteStart);
const std::string kOk(messages::kTransferOk);
const std::string kReadFailed(messages::kReadFailed);
const std::string kWriteFailed(messages::kWriteFailed);
const std::string kDuplicate(messages::kDuplicateReceive);
const std::string kTestOk(messages::kTestOk);
const std::string kTestError(messages::kTestError);

struct LinkRig {
    explicit LinkRig(VirtualModule::Options options, bool openPort = true)
        : module(std::move(options)) {
        std::string error;
        started = module.Start(&error);
        EXPECT_TRUE(started) << error;
        if (started && openPort) {
            opened = comm.Open(QString::fromStdString(module.DevicePath()));
            EXPECT_TRUE(opened);
            EXPECT_FALSE(comm.SetRts(true));  // a pseudo-terminal has no RTS: must not matter
        }
        engine.SetDecodedHook([this] { ++decoded; });
    }

    // Runs the event loop until the engine is idle; false when it is not within the limit.
    bool RunUntilIdle(std::chrono::milliseconds limit = 30s) {
        QElapsedTimer clock;
        clock.start();
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            if (engine.Idle() || clock.elapsed() > limit.count()) loop.quit();
        });
        check.start(5);
        if (!engine.Idle()) loop.exec();
        return engine.Idle();
    }

    VirtualModule module;
    bool started = false;
    bool opened = false;
    QtSerialPort comm;
    QtTransferTimer timer;
    Recorder log;
    SetupModel setup;
    ConfigBuffer buffer;
    int decoded = 0;
    TransferEngine engine{comm, timer, log, log, setup, buffer};
    QtTransferDriver driver{engine, comm, timer};
};

VirtualModule::Options WithMemory(ConfigBuffer memory) {
    VirtualModule::Options options;
    options.memory = std::move(memory);
    return options;
}

TEST(TransferE2eTest, FullReadGivesTheMemoryByteForByte) {
    LinkRig rig(WithMemory(SampleImage()));
    rig.engine.StartRead();
    ASSERT_TRUE(rig.RunUntilIdle());
    EXPECT_EQ(rig.log.lines, (Log{kReadStart, kOk}));
    EXPECT_EQ(rig.buffer, rig.module.Memory());
    EXPECT_EQ(rig.decoded, 1);
    EXPECT_EQ(rig.setup.messageTexts.pagerName, "Chata");
    EXPECT_FALSE(rig.timer.IsOn());
}

TEST(TransferE2eTest, FullWriteLeavesExactlyTheEncodedImage) {
    LinkRig rig({});  // a new module: all 0xFF
    rig.setup.commandTable[4] = {"Světlo", "RELE2", "IMPULS", "12", "ANO"};
    rig.setup.phoneList[9].number = "+420777000111";
    rig.setup.phoneList[9].flagSms = "0";
    rig.engine.StartWrite();
    ASSERT_TRUE(rig.RunUntilIdle());
    EXPECT_EQ(rig.log.lines, (Log{kWriteStart, kOk}));
    EXPECT_EQ(rig.module.Memory(), EncodeSetup(rig.setup));
    EXPECT_FALSE(rig.timer.IsOn());
}

TEST(TransferE2eTest, LinkTestPasses) {
    LinkRig rig({});
    rig.engine.StartTest();
    ASSERT_TRUE(rig.RunUntilIdle(5s));
    EXPECT_EQ(rig.log.lines, Log{kTestOk});
}

TEST(TransferE2eTest, LinkTestFailsWithoutAnswer) {
    VirtualModule::Options options;
    options.faults = {{K::kNoAnswer, 1}};
    LinkRig rig(options);
    rig.engine.StartTest();
    ASSERT_TRUE(rig.RunUntilIdle(5s));
    EXPECT_EQ(rig.log.lines, Log{kTestError});
}

TEST(TransferE2eTest, LinkTestWithNoPortFailsAtOnce) {
    LinkRig rig({}, /*openPort=*/false);
    rig.engine.StartTest();
    EXPECT_TRUE(rig.engine.Idle());
    EXPECT_EQ(rig.log.lines, Log{kTestError});
}

// ---- injected faults, early in the transfer where they can be

enum class Procedure { kRead, kWrite, kTest };

struct FaultCase {
    const char* name;
    Procedure procedure;
    std::vector<Fault> faults;
    Log log;
    std::size_t bytes;  // a read ended by EM: the bytes received; a write: the bytes written
};
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class FaultE2eTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultE2eTest, EndsInItsMessage) {
    const FaultCase& c = GetParam();
    VirtualModule::Options options = WithMemory(SampleImage());
    options.faults = c.faults;
    LinkRig rig(options);
    rig.buffer = {1, 2, 3};
    rig.setup.creditCode = "mine";
    const SetupModel setupBefore = rig.setup;

    switch (c.procedure) {
        case Procedure::kRead:
            rig.engine.StartRead();
            break;
        case Procedure::kWrite:
            rig.setup.commandTable[0].smsText = "0123456789ABCDEFGHIJ";
            rig.engine.StartWrite();
            break;
        case Procedure::kTest:
            rig.engine.StartTest();
            break;
    }
    ASSERT_TRUE(rig.RunUntilIdle(15s)) << "hangs";
    EXPECT_EQ(rig.log.lines, c.log);
    EXPECT_FALSE(rig.timer.IsOn());
    EXPECT_EQ(rig.engine.Progress(), 0);

    if (c.procedure == Procedure::kRead) {
        // A failed read touches nothing; a read ended early replaces the buffer only.
        EXPECT_EQ(rig.setup, setupBefore);
        if (c.bytes == 0) {
            EXPECT_EQ(rig.buffer, (ConfigBuffer{1, 2, 3}));
        } else {
            const ConfigBuffer memory = rig.module.Memory();
            EXPECT_EQ(rig.buffer, ConfigBuffer(memory.begin(), memory.begin() + c.bytes));
        }
    } else if (c.procedure == Procedure::kWrite && c.bytes > 0) {
        const ConfigBuffer encoded = EncodeSetup(rig.setup);
        const ConfigBuffer memory = rig.module.Memory();
        EXPECT_TRUE(std::equal(encoded.begin(), encoded.begin() + c.bytes, memory.begin()));
        EXPECT_EQ(memory[c.bytes], SampleImage()[c.bytes]);  // the rest as it was
    }
}

// Answer numbers per procedure: read 1 ETX, 2 command, 2 + n data byte n; write 1 ETX,
// 2 command, 2n + 1 the n-th STX, 2n + 2 data byte n.
INSTANTIATE_TEST_SUITE_P(
    Faults, FaultE2eTest,
    ::testing::Values(
        FaultCase{
            "ReadNoAnswer", Procedure::kRead, {{K::kNoAnswer, 1}}, {kReadStart, kReadFailed}, 0},
        FaultCase{"ReadLateAnswer",
                  Procedure::kRead,
                  {{K::kLateAnswer, 2}},
                  {kReadStart, kReadFailed},
                  0},
        FaultCase{"ReadDuplicateDataByte",
                  Procedure::kRead,
                  {{K::kDuplicateAnswer, 5}},
                  {kReadStart, kReadFailed},
                  0},
        FaultCase{"ReadWrongAnswer",
                  Procedure::kRead,
                  {{K::kWrongAnswer, 1}},
                  {kReadStart, kReadFailed},
                  0},
        FaultCase{"ReadHangUp", Procedure::kRead, {{K::kHangUp, 6}}, {kReadStart, kReadFailed}, 0},
        // Ended early, the buffer does not decode: the setup stays.
        FaultCase{"ReadEarlyEm",
                  Procedure::kRead,
                  {{K::kEarlyEm, 16}},
                  {kReadStart, kOk, kReadFailed},
                  16},
        // A doubled ACK to ETX lands in one poll and is absorbed, as with a slow tick.
        FaultCase{"ReadDuplicateAckAbsorbed",
                  Procedure::kRead,
                  {{K::kDuplicateAnswer, 1}, {K::kEarlyEm, 16}},
                  {kReadStart, kOk, kReadFailed},
                  16},
        FaultCase{"WriteNoAnswer",
                  Procedure::kWrite,
                  {{K::kNoAnswer, 1}},
                  {kWriteStart, kWriteFailed},
                  0},
        FaultCase{"WriteLateAnswer",
                  Procedure::kWrite,
                  {{K::kLateAnswer, 3}},
                  {kWriteStart, kWriteFailed},
                  0},
        FaultCase{"WriteDuplicateAnswer",
                  Procedure::kWrite,
                  {{K::kDuplicateAnswer, 4}},
                  {kWriteStart, kDuplicate, kWriteFailed},
                  0},
        FaultCase{"WriteWrongAnswer",
                  Procedure::kWrite,
                  {{K::kWrongAnswer, 4}},
                  {kWriteStart, kWriteFailed},
                  0},
        FaultCase{
            "WriteHangUp", Procedure::kWrite, {{K::kHangUp, 7}}, {kWriteStart, kWriteFailed}, 0},
        FaultCase{"WriteEarlyEm", Procedure::kWrite, {{K::kEarlyEm, 16}}, {kWriteStart, kOk}, 16},
        FaultCase{"WriteDuplicateAckAbsorbed",
                  Procedure::kWrite,
                  {{K::kDuplicateAnswer, 3}, {K::kEarlyEm, 16}},
                  {kWriteStart, kOk},
                  16},
        FaultCase{"TestHangUp", Procedure::kTest, {{K::kHangUp, 1}}, {kTestError}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TransferE2eTest, AVanishedPortFailsEveryLaterTransferAtOnce) {
    VirtualModule::Options options;
    options.faults = {{K::kHangUp, 3}};
    LinkRig rig(options);
    rig.engine.StartRead();
    ASSERT_TRUE(rig.RunUntilIdle(5s));
    EXPECT_FALSE(rig.comm.IsOpen());
    EXPECT_FALSE(rig.comm.Input().has_value());
    rig.engine.StartTest();
    EXPECT_EQ(rig.log.lines, (Log{kReadStart, kReadFailed, kTestError}));
}

// ---- a slow module: every answer, EM included, after 10 ms

TEST(SlowModuleE2eTest, ReadsAndEndsAtItsEm) {
    VirtualModule::Options options = WithMemory(SampleImage());
    options.reactionDelay = 10ms;
    options.faults = {{K::kEarlyEm, 24}};
    LinkRig rig(options);
    rig.engine.StartRead();
    ASSERT_TRUE(rig.RunUntilIdle());
    EXPECT_EQ(rig.log.lines, (Log{kReadStart, kOk, kReadFailed}));  // 24 bytes do not decode
    const ConfigBuffer memory = rig.module.Memory();
    EXPECT_EQ(rig.buffer, ConfigBuffer(memory.begin(), memory.begin() + 24));
}

TEST(SlowModuleE2eTest, Writes) {
    VirtualModule::Options options;
    options.reactionDelay = 10ms;
    options.faults = {{K::kEarlyEm, 24}};
    LinkRig rig(options);
    rig.setup.commandTable[0].smsText = "Brána otevřít";
    rig.engine.StartWrite();
    ASSERT_TRUE(rig.RunUntilIdle());
    EXPECT_EQ(rig.log.lines, (Log{kWriteStart, kOk}));
    const ConfigBuffer encoded = EncodeSetup(rig.setup);
    const ConfigBuffer memory = rig.module.Memory();
    EXPECT_TRUE(std::equal(encoded.begin(), encoded.begin() + 24, memory.begin()));
}

TEST(SlowModuleE2eTest, PassesTheLinkTest) {
    VirtualModule::Options options;
    options.reactionDelay = 10ms;
    LinkRig rig(options);
    rig.engine.StartTest();
    ASSERT_TRUE(rig.RunUntilIdle(5s));
    EXPECT_EQ(rig.log.lines, Log{kTestOk});
}

}  // namespace
}  // namespace kdx::test
