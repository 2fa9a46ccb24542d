// The engine through the Qt serial adapter, its timer and driver, against the virtual module on
// a pseudo-terminal, in real time.
#include <linux/serial.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include "config/Codec.h"
#include "link/LogMessages.h"
#include "link/qt/Link.h"
#include "link/qt/linux/QtSerialPort.h"
#include "link/qt/linux/TimerFdTimer.h"
#include "sim/VirtualModule.h"
#include "tests/link/EngineRig.h"

namespace kdx::test {
namespace {

using namespace std::chrono_literals;
using sim::Fault;
using sim::VirtualModule;
using Log = std::vector<std::string>;
using K = Fault::Kind;

const std::string kRd(messages::kReadStart), kWr(messages::kWriteStart), kOk(messages::kTransferOk),
    kRdErr(messages::kReadFailed), kWrErr(messages::kWriteFailed), kPart(messages::kPartlyWritten),
    kDup(messages::kDuplicateReceive), kTestOk(messages::kTestOk), kTestErr(messages::kTestError);

// Built here rather than by the platform, so that the tests can look into them.
struct LinuxParts {
    explicit LinuxParts(SerialFlags flags)
        : ownPort_(std::make_unique<QtSerialPort>(nullptr, flags)) {}
    Link::Parts Parts() { return {std::move(ownPort_), std::move(ownTimer_)}; }

  private:
    std::unique_ptr<QtSerialPort> ownPort_;
    std::unique_ptr<TimerFdTimer> ownTimer_ = std::make_unique<TimerFdTimer>();

  public:
    QtSerialPort& comm = *ownPort_;
    TimerFdTimer& timer = *ownTimer_;
};

// The state on the virtual module's pseudo-terminal, in real time.
struct LinkRig : LinuxParts, StateRig {
    explicit LinkRig(VirtualModule::Options options, bool openPort = true,
                     TransferTiming timing = {}, SerialFlags flags = DriverFlags())
        : LinuxParts(std::move(flags)), StateRig(Parts(), timing), module(std::move(options)) {
        std::string error;
        EXPECT_TRUE(module.Start(&error)) << error;
        if (openPort) {
            // A pseudo-terminal refuses RTS and a low-latency mode: neither must matter.
            EXPECT_EQ(state.OpenPort(QString::fromStdString(module.DevicePath())),
                      PortProblem::kNone);
        }
    }

    // Whether the transfer timer still ticks: a while of the event loop tells.
    bool TimerTicks() {
        int ticks = 0;
        const auto counted = QObject::connect(&timer, &TickTimer::Tick, [&ticks] { ++ticks; });
        QEventLoop loop;
        QTimer::singleShot(50ms, &loop, &QEventLoop::quit);
        loop.exec();
        QObject::disconnect(counted);
        return ticks > 0;
    }

    // Runs the event loop until the procedure has ended; false when it has not within the limit.
    bool RunUntilIdle(std::chrono::milliseconds limit = 30s) {
        QEventLoop loop;
        QObject::connect(&state, &Module10::ProcedureEnded, &loop, &QEventLoop::quit);
        QTimer::singleShot(limit, &loop, &QEventLoop::quit);
        if (!engine.Idle()) loop.exec();
        return engine.Idle();
    }

    VirtualModule module;
};

TEST(TransferE2eTest, FullReadGivesTheMemoryByteForByte) {
    VirtualModule::Options options;
    options.memory = SampleImage();
    LinkRig rig(options);
    rig.state.Read();
    ASSERT_TRUE(rig.RunUntilIdle());
    EXPECT_EQ(rig.log.lines, (Log{kRd, kOk}));
    EXPECT_EQ(rig.buffer, SampleImage());
    EXPECT_EQ(rig.log.decoded, 1);
    EXPECT_EQ(rig.setup.messageTexts.pagerName, "Chata");
    EXPECT_FALSE(rig.TimerTicks());
}

TEST(TransferE2eTest, FullWriteLeavesExactlyTheEncodedImage) {
    LinkRig rig({});  // a new module: all 0xFF
    rig.Edit([](SetupModel& setup) {
        setup.commandTable[4] = {"Světlo", "RELE2", "IMPULS", "12", "ANO"};
        setup.phoneList[9].number = "+420777000111";
    });
    rig.state.Write();
    ASSERT_TRUE(rig.RunUntilIdle());
    EXPECT_EQ(rig.log.lines, (Log{kWr, kOk}));
    EXPECT_EQ(rig.module.Memory(), EncodeSetup(rig.setup));
    EXPECT_FALSE(rig.TimerTicks());
}

TEST(TransferE2eTest, AVanishedPortFailsAtOnceAfterwards) {
    VirtualModule::Options options;
    options.faults = {{K::kHangUp, 3}};
    LinkRig rig(options);
    rig.state.Read();
    ASSERT_TRUE(rig.RunUntilIdle(5s));
    EXPECT_FALSE(rig.comm.IsOpen());
    EXPECT_FALSE(rig.comm.Input().has_value());
    rig.state.Test();
    EXPECT_EQ(rig.log.lines, (Log{kRd, kRdErr, kTestErr}));
}

TEST(TransferE2eTest, OpeningAPortAsksForLowLatency) {
    VirtualModule module({});
    ASSERT_TRUE(module.Start());
    int asked = -1;
    int set = -1;
    QtSerialPort port(nullptr, {[&](PortHandle handle) -> std::optional<int> {
                                    asked = handle;
                                    return 0;
                                },
                                [&](PortHandle, int flags) {
                                    set = flags;
                                    return true;
                                }});
    ASSERT_EQ(port.Open(QString::fromStdString(module.DevicePath())), PortProblem::kNone);
    EXPECT_TRUE(::isatty(asked));  // the open line's own handle
    EXPECT_EQ(set, ASYNC_LOW_LATENCY);
}

// The driver keeps a port's flags after the program: a probe's close, and the end of a program
// that has written, give back what the port had.
TEST(TransferE2eTest, APortHasItsFlagsBackWhenClosed) {
    for (const bool transfer : {false, true}) {
        constexpr int kFound = 0x40;
        int flags = kFound;
        const SerialFlags store{[&](PortHandle) -> std::optional<int> { return flags; },
                                [&](PortHandle, int set) {
                                    flags = set;
                                    return true;
                                }};
        {
            LinkRig rig({}, /*openPort=*/false, {}, store);
            ASSERT_EQ(rig.state.OpenPort(QString::fromStdString(rig.module.DevicePath())),
                      PortProblem::kNone);
            EXPECT_EQ(flags, kFound | ASYNC_LOW_LATENCY);
            if (transfer) {
                rig.state.Write();
                ASSERT_TRUE(rig.RunUntilIdle());
                EXPECT_EQ(rig.log.lines, (Log{kWr, kOk}));
            } else {
                rig.state.ClosePort();
                EXPECT_EQ(flags, kFound) << "probe";
            }
        }
        EXPECT_EQ(flags, kFound) << (transfer ? "transfer" : "probe");
    }
}

TEST(TransferE2eTest, LinkTestWithNoPortFailsAtOnce) {
    LinkRig rig({}, /*openPort=*/false);
    rig.state.Test();
    EXPECT_EQ(rig.log.lines, Log{kTestErr});
}

// ---- the link test, faults early in a transfer, and a slow module

enum class Procedure { kRead, kWrite, kTest };

struct Case {
    const char* name;
    Procedure procedure;
    std::vector<Fault> faults;
    Log log;
    std::size_t bytes = 0;  // a transfer ended by EM: the data bytes moved
    std::chrono::microseconds delay = 500us;
    std::chrono::microseconds latencyTimer = 0us;  // behind a USB converter
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class ModuleE2eTest : public ::testing::TestWithParam<Case> {};

TEST_P(ModuleE2eTest, EndsInItsMessage) {
    const Case& c = GetParam();
    VirtualModule::Options options;
    options.memory = SampleImage();
    options.faults = c.faults;
    options.reactionDelay = c.delay;
    options.latencyTimer = c.latencyTimer;
    // A module starved of the CPU on a busy machine must not miss the silence window: these
    // cases test what the engine does with an EM, the window's own size is tested in
    // simulated time.
    TransferTiming timing;
    timing.silenceFloor = 100ms;
    LinkRig rig(options, true, timing);
    rig.state.SetBuffer({1, 2, 3});
    rig.Edit([](SetupModel& setup) {
        setup.commandTable[0].smsText = "0123456789ABCDEFGHIJ";  // differs from the memory
    });
    const SetupModel setup = rig.setup;
    if (c.procedure == Procedure::kRead) rig.state.Read();
    if (c.procedure == Procedure::kWrite) rig.state.Write();
    if (c.procedure == Procedure::kTest) rig.state.Test();
    ASSERT_TRUE(rig.RunUntilIdle(15s)) << "hangs";
    EXPECT_EQ(rig.log.lines, c.log);
    EXPECT_FALSE(rig.TimerTicks());
    EXPECT_EQ(rig.engine.Progress(), 0);

    const ConfigBuffer memory = rig.module.Memory();
    if (c.procedure == Procedure::kRead) {
        // A failed read touches nothing; one ended by EM replaces the buffer only.
        EXPECT_EQ(rig.setup, setup);
        const ConfigBuffer read(memory.begin(), memory.begin() + c.bytes);
        EXPECT_EQ(rig.buffer, (c.bytes == 0 ? ConfigBuffer{1, 2, 3} : read));
    } else if (c.procedure == Procedure::kWrite && c.bytes > 0) {
        const ConfigBuffer encoded = EncodeSetup(setup);
        EXPECT_TRUE(std::equal(encoded.begin(), encoded.begin() + c.bytes, memory.begin()));
        EXPECT_EQ(memory[c.bytes], SampleImage()[c.bytes]);  // the rest as it was
    }
}

// Answers are numbered per procedure: read 1 ETX, 2 the command, 2 + n data byte n; write
// 1 ETX, 2 the command, 2n + 1 the n-th STX, 2n + 2 data byte n.
constexpr Procedure R = Procedure::kRead, W = Procedure::kWrite, T = Procedure::kTest;
INSTANTIATE_TEST_SUITE_P(
    Cases, ModuleE2eTest,
    ::testing::Values(
        Case{"TestPasses", T, {}, {kTestOk}},
        Case{"TestNoAnswer", T, {{K::kNoAnswer, 1}}, {kTestErr}},
        Case{"TestHangUp", T, {{K::kHangUp, 1}}, {kTestErr}},
        Case{"ReadNoAnswer", R, {{K::kNoAnswer, 1}}, {kRd, kRdErr}},
        Case{"ReadLateAnswer", R, {{K::kLateAnswer, 2}}, {kRd, kRdErr}},
        Case{"ReadDuplicateDataByte", R, {{K::kDuplicateAnswer, 5}}, {kRd, kRdErr}},
        Case{"ReadWrongAnswer", R, {{K::kWrongAnswer, 1}}, {kRd, kRdErr}},
        Case{"ReadHangUp", R, {{K::kHangUp, 6}}, {kRd, kRdErr}},
        // Ended early, the buffer does not decode: the setup stays.
        Case{"ReadEarlyEm", R, {{K::kEarlyEm, 8}}, {kRd, kOk, kRdErr}, 8},
        // A doubled ACK to ETX lands in one poll and is absorbed, as with a slow tick.
        Case{"ReadDuplicateAckAbsorbed",
             R,
             {{K::kDuplicateAnswer, 1}, {K::kEarlyEm, 8}},
             {kRd, kOk, kRdErr},
             8},
        Case{"WriteNoAnswer", W, {{K::kNoAnswer, 1}}, {kWr, kWrErr}},  // nothing written yet
        Case{"WriteLateAnswer", W, {{K::kLateAnswer, 3}}, {kWr, kWrErr}},
        Case{"WriteDuplicateAnswer", W, {{K::kDuplicateAnswer, 4}}, {kWr, kDup, kWrErr, kPart}},
        Case{"WriteWrongAnswer", W, {{K::kWrongAnswer, 4}}, {kWr, kWrErr, kPart}},
        Case{"WriteHangUp", W, {{K::kHangUp, 7}}, {kWr, kWrErr, kPart}},
        Case{"WriteEarlyEm", W, {{K::kEarlyEm, 8}}, {kWr, kOk}, 8},
        Case{"WriteDuplicateAckAbsorbed",
             W,
             {{K::kDuplicateAnswer, 3}, {K::kEarlyEm, 8}},
             {kWr, kOk},
             8},
        // Every answer after 10 ms, EM included.
        Case{"SlowTest", T, {}, {kTestOk}, 0, 10ms},
        Case{"SlowRead", R, {{K::kEarlyEm, 8}}, {kRd, kOk, kRdErr}, 8, 10ms},
        Case{"SlowWrite", W, {{K::kEarlyEm, 8}}, {kWr, kOk}, 8, 10ms},
        Case{"SlowReadDuplicate", R, {{K::kDuplicateAnswer, 5}}, {kRd, kRdErr}, 0, 10ms},
        Case{"SlowWriteDuplicate",
             W,
             {{K::kDuplicateAnswer, 4}},
             {kWr, kDup, kWrErr, kPart},
             0,
             10ms},
        // Behind a converter whose latency timer holds every answer up to 16 ms.
        Case{"ConverterRead", R, {{K::kEarlyEm, 8}}, {kRd, kOk, kRdErr}, 8, 500us, 16ms},
        Case{"ConverterWrite", W, {{K::kEarlyEm, 8}}, {kWr, kOk}, 8, 500us, 16ms},
        Case{
            "ConverterReadDuplicate", R, {{K::kDuplicateAnswer, 5}}, {kRd, kRdErr}, 0, 500us, 16ms},
        Case{"ConverterWriteDuplicate",
             W,
             {{K::kDuplicateAnswer, 4}},
             {kWr, kDup, kWrErr, kPart},
             0,
             500us,
             16ms}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kdx::test
