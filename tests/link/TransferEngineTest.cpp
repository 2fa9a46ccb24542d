#include "link/TransferEngine.h"

#include <gtest/gtest.h>

#include <numeric>

#include "link/LogMessages.h"
#include "link/Protocol.h"
#include "sim/ModuleProtocol.h"
#include "tests/link/EngineRig.h"

namespace kdx::test {
namespace {

using namespace protocol;
namespace msg = messages;
using Log = std::vector<std::string>;

constexpr std::uint8_t kNak = 0x15;  // any byte the protocol does not expect

enum class Procedure { kRead, kWrite, kTest };

void Start(EngineRig& rig, Procedure procedure) {
    switch (procedure) {
        case Procedure::kRead:
            return rig.engine.StartRead();
        case Procedure::kWrite:
            return rig.engine.StartWrite();
        case Procedure::kTest:
            return rig.engine.StartTest();
    }
}

void ExpectIdle(const EngineRig& rig) {
    EXPECT_TRUE(rig.engine.Idle());
    EXPECT_FALSE(rig.timer.on);
    EXPECT_EQ(rig.engine.Progress(), 0);
    if (!rig.log.progress.empty()) {
        EXPECT_EQ(rig.log.progress.back(), 0);
    }
}

// ---- every row of the three state tables, one step after another

struct RowCase {
    const char* name;
    Procedure procedure;
    std::vector<Bytes> answers;  // what has arrived before each step after the first
    Bytes sent;                  // all the PC has sent by then
    Log log;
    int state;  // transferState afterwards
};
void PrintTo(const RowCase& c, std::ostream* os) { *os << c.name; }

class StateTableTest : public ::testing::TestWithParam<RowCase> {};

TEST_P(StateTableTest, StepsAsTheTableSays) {
    const RowCase& c = GetParam();
    EngineRig rig;
    rig.setup.commandTable[0].smsText = "Z";  // the write's first data byte
    Start(rig, c.procedure);
    for (const Bytes& answer : c.answers) {
        ASSERT_TRUE(rig.timer.on) << "ended before all answers were used";
        rig.Answer(answer);
    }
    EXPECT_EQ(rig.port.sent, c.sent);
    EXPECT_EQ(rig.log.lines, c.log);
    EXPECT_EQ(rig.engine.TransferState(), c.state);
    if (c.state == 0) {
        ExpectIdle(rig);
    } else {
        EXPECT_TRUE(rig.timer.on);
    }
}

const std::string kReadStart(msg::kReadStart);
const std::string kWriteStart(msg::kWriteStart);
const std::string kOk(msg::kTransferOk);
const std::string kReadFailed(msg::kReadFailed);
const std::string kWriteFailed(msg::kWriteFailed);
const std::string kDuplicate(msg::kDuplicateReceive);
const std::string kTestOk(msg::kTestOk);
const std::string kTestError(msg::kTestError);

const Bytes kReadOpen = {kEtx, kReadCommand, kStx};
const Bytes kWriteOpen = {kEtx, kWriteCommand, kStx, 'Z'};

Bytes Plus(Bytes bytes, std::initializer_list<std::uint8_t> more) {
    bytes.insert(bytes.end(), more);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StateTableTest,
    ::testing::Values(
        RowCase{"ReadStart", Procedure::kRead, {}, {kEtx}, {kReadStart}, 25},
        RowCase{"Read25Ack", Procedure::kRead, {{kAck}}, {kEtx, kReadCommand}, {kReadStart}, 35},
        RowCase{"Read25AckAmongOthers",
                Procedure::kRead,
                {{kNak, kAck, 0}},
                {kEtx, kReadCommand},
                {kReadStart},
                35},
        RowCase{"Read25Silence", Procedure::kRead, {{}}, {kEtx}, {kReadStart, kReadFailed}, 0},
        RowCase{
            "Read25OtherByte", Procedure::kRead, {{kNak}}, {kEtx}, {kReadStart, kReadFailed}, 0},
        RowCase{"Read35Ack", Procedure::kRead, {{kAck}, {kAck}}, kReadOpen, {kReadStart}, 50},
        RowCase{"Read35Silence",
                Procedure::kRead,
                {{kAck}, {}},
                {kEtx, kReadCommand},
                {kReadStart, kReadFailed},
                0},
        RowCase{"Read50OneByte",
                Procedure::kRead,
                {{kAck}, {kAck}, {'A'}},
                Plus(kReadOpen, {kAck}),
                {kReadStart},
                45},
        RowCase{"Read50AckIsData",
                Procedure::kRead,
                {{kAck}, {kAck}, {kAck}},
                Plus(kReadOpen, {kAck}),
                {kReadStart},
                45},
        RowCase{"Read50EmIsData",
                Procedure::kRead,
                {{kAck}, {kAck}, {kEm}},
                Plus(kReadOpen, {kAck}),
                {kReadStart},
                45},
        RowCase{"Read50TwoBytes",
                Procedure::kRead,
                {{kAck}, {kAck}, {'A', 'A'}},
                kReadOpen,
                {kReadStart, kReadFailed},
                0},
        RowCase{"Read50Empty", Procedure::kRead, {{kAck}, {kAck}, {}}, kReadOpen, {kReadStart}, 50},
        RowCase{"Read45Silence",
                Procedure::kRead,
                {{kAck}, {kAck}, {'A'}, {}},
                Plus(kReadOpen, {kAck, kStx}),
                {kReadStart},
                50},
        RowCase{"Read45OthersDropped",
                Procedure::kRead,
                {{kAck}, {kAck}, {'A'}, {'B', kAck}},
                Plus(kReadOpen, {kAck, kStx}),
                {kReadStart},
                50},
        // One byte does not decode: the failure comes after the success.
        RowCase{"Read45Em",
                Procedure::kRead,
                {{kAck}, {kAck}, {'A'}, {'B', kEm}},
                Plus(kReadOpen, {kAck}),
                {kReadStart, kOk, kReadFailed},
                0},

        RowCase{"WriteStart", Procedure::kWrite, {}, {kEtx}, {kWriteStart}, 25},
        RowCase{
            "Write25Ack", Procedure::kWrite, {{kAck}}, {kEtx, kWriteCommand}, {kWriteStart}, 35},
        RowCase{"Write25Silence", Procedure::kWrite, {{}}, {kEtx}, {kWriteStart, kWriteFailed}, 0},
        RowCase{"Write35Ack",
                Procedure::kWrite,
                {{kAck}, {kNak, kAck}},
                {kEtx, kWriteCommand, kStx},
                {kWriteStart},
                45},
        RowCase{"Write35OtherByte",
                Procedure::kWrite,
                {{kAck}, {kNak}},
                {kEtx, kWriteCommand},
                {kWriteStart, kWriteFailed},
                0},
        RowCase{"Write45Ack",
                Procedure::kWrite,
                {{kAck}, {kAck}, {kAck}},
                kWriteOpen,
                {kWriteStart},
                50},
        RowCase{"Write45Silence",
                Procedure::kWrite,
                {{kAck}, {kAck}, {}},
                {kEtx, kWriteCommand, kStx},
                {kWriteStart, kWriteFailed},
                0},
        RowCase{"Write50Ack",
                Procedure::kWrite,
                {{kAck}, {kAck}, {kAck}, {kAck}},
                Plus(kWriteOpen, {kStx}),
                {kWriteStart},
                45},
        RowCase{"Write50Em",
                Procedure::kWrite,
                {{kAck}, {kAck}, {kAck}, {kEm}},
                kWriteOpen,
                {kWriteStart, kOk},
                0},
        RowCase{"Write50OtherByte",
                Procedure::kWrite,
                {{kAck}, {kAck}, {kAck}, {kNak}},
                kWriteOpen,
                {kWriteStart, kWriteFailed},
                0},
        RowCase{"Write50TwoBytes",
                Procedure::kWrite,
                {{kAck}, {kAck}, {kAck}, {kAck, kAck}},
                kWriteOpen,
                {kWriteStart, kDuplicate, kWriteFailed},
                0},
        RowCase{"Write50Empty",
                Procedure::kWrite,
                {{kAck}, {kAck}, {kAck}, {}},
                kWriteOpen,
                {kWriteStart},
                50},

        RowCase{"TestStart", Procedure::kTest, {}, {kEtx, kEtx}, {}, 25},
        RowCase{"TestAck", Procedure::kTest, {{kNak, kAck}}, {kEtx, kEtx}, {kTestOk}, 0},
        RowCase{"TestSilence", Procedure::kTest, {{}}, {kEtx, kEtx}, {kTestError}, 0},
        RowCase{"TestOtherByte", Procedure::kTest, {{kNak}}, {kEtx, kEtx}, {kTestError}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- counters and limits

struct LimitCase {
    const char* name;
    Procedure procedure;
    int limit;
    int answersToReach50;
};
void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

class EmptyPollLimitTest : public ::testing::TestWithParam<LimitCase> {
  protected:
    void ReachState50(EngineRig& rig) {
        Start(rig, GetParam().procedure);
        for (int i = 0; i < GetParam().answersToReach50; ++i) rig.Answer({kAck});
        ASSERT_EQ(rig.engine.TransferState(), 50);
    }
};

TEST_P(EmptyPollLimitTest, OneFewerThanTheLimitPasses) {
    EngineRig rig;
    ReachState50(rig);
    const auto start = rig.clock.now;
    for (int i = 1; i < GetParam().limit; ++i) rig.Step();
    EXPECT_EQ(rig.engine.TransferState(), 50);
    EXPECT_EQ(rig.engine.EmptyPolls(), GetParam().limit - 1);
    // Counted in polls at the poll period, not in time.
    EXPECT_EQ(rig.clock.now - start, (GetParam().limit - 1) * rig.timing.pollPeriod);
    rig.Answer({kAck});
    EXPECT_EQ(rig.engine.EmptyPolls(), 0);
    EXPECT_EQ(rig.engine.TransferState(), 45);
    EXPECT_TRUE(rig.timer.on);
}

TEST_P(EmptyPollLimitTest, TheLimitFails) {
    EngineRig rig;
    ReachState50(rig);
    for (int i = 1; i < GetParam().limit; ++i) rig.Step();
    const std::size_t lines = rig.log.lines.size();
    rig.Step();
    ASSERT_EQ(rig.log.lines.size(), lines + 1);
    EXPECT_EQ(rig.log.lines.back(),
              GetParam().procedure == Procedure::kRead ? kReadFailed : kWriteFailed);
    ExpectIdle(rig);
}

INSTANTIATE_TEST_SUITE_P(Limits, EmptyPollLimitTest,
                         ::testing::Values(LimitCase{"Read", Procedure::kRead, 5000, 2},
                                           LimitCase{"Write", Procedure::kWrite, 25000, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- whole transfers against a module scripted from the wire table

// Answers as the wire table says: ACK to ETX and to the commands, data byte n to the n-th STX of
// a read (then `pastEnd`), ACK to a write's STX, `lastAnswer`-style answers to written bytes.
struct ScriptedModule {
    explicit ScriptedModule(EngineRig& rig) : rig(rig) {
        rig.port.module = [this](std::uint8_t byte) { Receive(byte); };
    }
    void Receive(std::uint8_t byte) {
        auto answer = [&](std::uint8_t b) { rig.port.incoming.push_back(b); };
        if (writing && awaitingData) {
            written.push_back(byte);
            awaitingData = false;
            if (written.size() == emAfter) return answer(kEm);
            return answer(written.size() == layout::kBufferSize ? lastAnswer : kAck);
        }
        switch (byte) {
            case kEtx:
            case kReadCommand:
                return answer(kAck);
            case kWriteCommand:
                writing = true;
                return answer(kAck);
            case kStx:
                if (writing) {
                    awaitingData = true;
                    return answer(kAck);
                }
                return answer(sent < memory.size() ? memory[sent++] : pastEnd);
            case kAck:
                if (emAfter != 0 && sent == emAfter) answer(kEm);
                return;
            default:
                return;
        }
    }

    EngineRig& rig;
    ConfigBuffer memory = SampleImage();
    std::size_t sent = 0;
    std::size_t emAfter = 0;
    std::uint8_t pastEnd = 0x55;
    std::uint8_t lastAnswer = kAck;
    bool writing = false;
    bool awaitingData = false;
    Bytes written;
};

void RunToEnd(EngineRig& rig) {
    for (int steps = 0; !rig.engine.Idle() && steps < 100000; ++steps) rig.Step();
    ASSERT_TRUE(rig.engine.Idle());
}

TEST(FullReadTest, BufferHoldsTheMemoryAndIsDecoded) {
    EngineRig rig;
    ScriptedModule module(rig);
    rig.engine.StartRead();
    RunToEnd(rig);

    EXPECT_EQ(rig.log.lines, (Log{kReadStart, kOk}));
    EXPECT_EQ(rig.buffer, module.memory);  // the byte after the last is dropped
    EXPECT_EQ(rig.decoded, 1);
    EXPECT_EQ(rig.setup.commandTable[0].smsText, "ZAP");
    EXPECT_EQ(rig.setup.phoneList[2].number, "+420123456789");

    Bytes wire = {kEtx, kReadCommand};
    for (std::size_t i = 0; i < layout::kBufferSize; ++i) wire.insert(wire.end(), {kStx, kAck});
    wire.insert(wire.end(), {kStx, kEtx});
    EXPECT_EQ(rig.port.sent, wire);

    std::vector<int> progress(kEndProgress + 1);
    std::iota(progress.begin(), progress.end(), 0);  // 0 at the start, then 1 ... 1025
    progress.push_back(0);
    EXPECT_EQ(rig.log.progress, progress);
    ExpectIdle(rig);
}

TEST(FullReadTest, ControlByteValuesAreStoredAsData) {
    EngineRig rig;
    ScriptedModule module(rig);
    module.memory = {kAck, kEm, kEtx, kStx};
    module.emAfter = 4;
    rig.engine.StartRead();
    RunToEnd(rig);
    EXPECT_EQ(rig.buffer, (Bytes{kAck, kEm, kEtx, kStx}));
}

TEST(FullReadTest, EmAfterByteNEndsTheReadWithNBytes) {
    EngineRig rig;
    ScriptedModule module(rig);
    module.emAfter = 7;
    rig.setup.creditCode = "kept";
    rig.engine.StartRead();
    RunToEnd(rig);
    // Seven bytes do not decode: the buffer is replaced, the setup is not.
    EXPECT_EQ(rig.log.lines, (Log{kReadStart, kOk, kReadFailed}));
    EXPECT_EQ(rig.buffer, Bytes(module.memory.begin(), module.memory.begin() + 7));
    EXPECT_EQ(rig.setup.creditCode, "kept");
    EXPECT_EQ(rig.decoded, 0);
    EXPECT_EQ(rig.port.sent.back(), kAck);  // no STX after the EM
}

TEST(FullReadTest, UndecodableMemoryFailsAfterTheSuccess) {
    EngineRig rig;
    ScriptedModule module(rig);
    module.memory.assign(layout::kBufferSize, 0xFF);  // a new module: no digits in the records
    rig.engine.StartRead();
    RunToEnd(rig);
    EXPECT_EQ(rig.log.lines, (Log{kReadStart, kOk, kReadFailed}));
    EXPECT_EQ(rig.buffer, module.memory);
    EXPECT_EQ(rig.setup, SetupModel());
    EXPECT_EQ(rig.decoded, 0);
    ExpectIdle(rig);
}

TEST(FullReadTest, FailedReadLeavesBufferAndSetupUntouched) {
    EngineRig rig;
    ScriptedModule module(rig);
    rig.buffer = {1, 2, 3};
    rig.setup.creditCode = "mine";
    const SetupModel before = rig.setup;
    rig.engine.StartRead();
    for (int i = 0; i < 20 || rig.engine.TransferState() != 50; ++i) rig.Step();
    rig.port.incoming = {'x', 'y'};  // two bytes where a data byte is due
    rig.Step();
    EXPECT_EQ(rig.log.lines, (Log{kReadStart, kReadFailed}));
    EXPECT_EQ(rig.buffer, (Bytes{1, 2, 3}));
    EXPECT_EQ(rig.setup, before);
    ExpectIdle(rig);
}

TEST(FullWriteTest, SendsTheEncodedSetup) {
    EngineRig rig;
    ScriptedModule module(rig);
    rig.setup.messageTexts.pagerName = "Garáž";
    rig.buffer = {9, 9};
    rig.engine.StartWrite();
    const ConfigBuffer encoded = EncodeSetup(rig.setup);
    EXPECT_EQ(rig.buffer, encoded);  // the write encodes into the program's buffer
    RunToEnd(rig);

    EXPECT_EQ(module.written, encoded);
    EXPECT_EQ(rig.log.lines, (Log{kWriteStart, kOk}));
    EXPECT_EQ(rig.port.sent.back(), kEtx);
    std::vector<int> progress(kEndProgress + 1);
    std::iota(progress.begin(), progress.end(), 0);  // 0 at the start, then 1 ... 1025
    progress.push_back(0);
    EXPECT_EQ(rig.log.progress, progress);
    ExpectIdle(rig);
}

TEST(FullWriteTest, RawWriteSendsTheBufferUnchanged) {
    EngineRig rig;
    ScriptedModule module(rig);
    rig.buffer.resize(layout::kBufferSize);
    std::iota(rig.buffer.begin(), rig.buffer.end(), std::uint8_t{0});  // every byte value
    const ConfigBuffer raw = rig.buffer;
    rig.engine.StartRawWrite();
    RunToEnd(rig);
    EXPECT_EQ(module.written, raw);
    EXPECT_EQ(rig.buffer, raw);
    EXPECT_EQ(rig.log.lines, (Log{std::string(msg::kRawWriteStart), kOk}));
}

TEST(FullWriteTest, EmAfterByteNSucceedsWithoutClosingEtx) {
    EngineRig rig;
    ScriptedModule module(rig);
    module.emAfter = 5;
    rig.engine.StartWrite();
    RunToEnd(rig);
    EXPECT_EQ(module.written.size(), 5u);
    EXPECT_EQ(rig.log.lines, (Log{kWriteStart, kOk}));
    EXPECT_EQ(rig.port.sent.back(), rig.buffer[4]);
}

struct LastAnswerCase {
    const char* name;
    std::uint8_t answer;
    Log log;
};
void PrintTo(const LastAnswerCase& c, std::ostream* os) { *os << c.name; }

class LastAnswerTest : public ::testing::TestWithParam<LastAnswerCase> {};

TEST_P(LastAnswerTest, DecidesTheWriteAndEtxClosesIt) {
    EngineRig rig;
    ScriptedModule module(rig);
    module.lastAnswer = GetParam().answer;
    rig.engine.StartWrite();
    RunToEnd(rig);
    EXPECT_EQ(module.written.size(), layout::kBufferSize);
    EXPECT_EQ(rig.log.lines, GetParam().log);
    EXPECT_EQ(rig.port.sent.back(), kEtx);
    ExpectIdle(rig);
}

INSTANTIATE_TEST_SUITE_P(Answers, LastAnswerTest,
                         ::testing::Values(LastAnswerCase{"Ack", kAck, {kWriteStart, kOk}},
                                           LastAnswerCase{"Em", kEm, {kWriteStart, kOk}},
                                           LastAnswerCase{
                                               "Other", kNak, {kWriteStart, kWriteFailed}}),
                         [](const auto& info) { return std::string(info.param.name); });

class RawWriteSizeTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(RawWriteSizeTest, OtherSizesAreRefusedBeforeAnyByteIsSent) {
    EngineRig rig;
    rig.buffer.assign(GetParam(), 0x41);
    rig.engine.StartRawWrite();
    EXPECT_TRUE(rig.port.sent.empty());
    EXPECT_EQ(rig.log.lines, (Log{std::string(msg::kRawWriteStart), kWriteFailed}));
    EXPECT_EQ(rig.buffer.size(), GetParam());
    ExpectIdle(rig);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RawWriteSizeTest, ::testing::Values(0u, 1023u, 1025u));

// ---- no port, failed sends, busy starts

struct NoPortCase {
    const char* name;
    Procedure procedure;
    Log log;
    bool timerStarted;  // read and write fail at their first poll, the test at once
};
void PrintTo(const NoPortCase& c, std::ostream* os) { *os << c.name; }

class NoPortTest : public ::testing::TestWithParam<NoPortCase> {};

TEST_P(NoPortTest, FailsWithItsOwnMessage) {
    EngineRig rig;
    rig.port.open = false;
    Start(rig, GetParam().procedure);
    EXPECT_EQ(rig.timer.on, GetParam().timerStarted);
    if (rig.timer.on) rig.Step();
    EXPECT_EQ(rig.log.lines, GetParam().log);
    EXPECT_TRUE(rig.port.sent.empty());
    ExpectIdle(rig);
}

INSTANTIATE_TEST_SUITE_P(
    Procedures, NoPortTest,
    ::testing::Values(NoPortCase{"Read", Procedure::kRead, {kReadStart, kReadFailed}, true},
                      NoPortCase{"Write", Procedure::kWrite, {kWriteStart, kWriteFailed}, true},
                      NoPortCase{"Test", Procedure::kTest, {kTestError}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SendFailureTest, IsIgnoredAndThePollDecides) {
    EngineRig rig;
    rig.port.outputWorks = false;
    rig.engine.StartRead();
    rig.Answer({kAck});
    EXPECT_EQ(rig.engine.TransferState(), 35);
    EXPECT_TRUE(rig.log.lines == Log{kReadStart});
}

TEST(BusyTest, StartRequestsDuringATransferAreIgnored) {
    EngineRig rig;
    ScriptedModule module(rig);
    rig.engine.StartRead();
    for (int i = 0; i < 10; ++i) rig.Step();
    const Bytes sent = rig.port.sent;
    const int state = rig.engine.TransferState();
    const auto deadline = rig.timer.deadline;

    rig.engine.StartRead();
    rig.engine.StartWrite();
    rig.engine.StartRawWrite();
    rig.engine.StartTest();

    EXPECT_EQ(rig.port.sent, sent);
    EXPECT_EQ(rig.engine.TransferState(), state);
    EXPECT_EQ(rig.engine.TransferMode(), TransferEngine::kReadMode);
    EXPECT_EQ(rig.timer.deadline, deadline);
    EXPECT_EQ(rig.log.lines, Log{kReadStart});
    RunToEnd(rig);
    EXPECT_EQ(rig.buffer, module.memory);
}

TEST(BusyTest, StartDuringTheTestsWaitIsIgnored) {
    EngineRig rig;
    rig.engine.StartTest();
    rig.engine.StartRead();
    EXPECT_EQ(rig.port.sent, (Bytes{kEtx, kEtx}));
    EXPECT_EQ(rig.engine.TransferMode(), TransferEngine::kTestMode);
    rig.Answer({kAck});
    EXPECT_EQ(rig.log.lines, Log{kTestOk});
}

// ---- the link test

TEST(LinkTest, ClearsWhatWaitedBeforeAndLeavesTheBarAlone) {
    EngineRig rig;
    rig.port.incoming = {kAck};  // stale: must not count as the answer
    rig.engine.StartTest();
    EXPECT_EQ(rig.timer.interval, rig.timing.testWait);
    rig.Tick();
    EXPECT_EQ(rig.log.lines, Log{kTestError});
    EXPECT_TRUE(rig.log.progress.empty());
}

TEST(LinkTest, WaitsItsFullTimeEvenWhenTheAnswerComesEarly) {
    EngineRig rig;
    rig.engine.StartTest();
    rig.port.incoming = {kAck, kAck};
    rig.engine.OnBytesArrived();
    EXPECT_EQ(rig.timer.interval, rig.timing.testWait);
    EXPECT_TRUE(rig.log.lines.empty());
    rig.Tick();
    EXPECT_EQ(rig.log.lines, Log{kTestOk});
}

TEST(LinkTest, AReadAfterItPollsAtItsOwnPace) {
    EngineRig rig;
    rig.engine.StartTest();
    rig.Answer({kAck});
    rig.engine.StartRead();
    EXPECT_EQ(rig.timer.interval, rig.timing.answerWindow);
    rig.Answer({kAck});
    rig.Answer({kAck});
    EXPECT_EQ(rig.timer.interval, rig.timing.pollPeriod);
}

// ---- when steps run

TEST(TimingTest, AnArrivalRunsTheWaitingStepOneSettleLater) {
    EngineRig rig;
    rig.engine.StartRead();
    const auto sent = rig.clock.now;
    rig.clock.now += microseconds(1600);
    rig.port.incoming = {kAck};
    rig.engine.OnBytesArrived();
    EXPECT_TRUE(rig.engine.Settling());
    EXPECT_EQ(rig.timer.deadline, rig.clock.now + rig.timing.settle);
    rig.Tick();
    EXPECT_EQ(rig.engine.TransferState(), 35);
    EXPECT_EQ(rig.clock.now - sent, microseconds(1600) + rig.timing.settle);
}

TEST(TimingTest, ADuplicateWithinTheSettleIsSeen) {
    EngineRig rig;
    rig.engine.StartWrite();
    rig.Answer({kAck});
    rig.Answer({kAck});
    rig.Answer({kAck});
    ASSERT_EQ(rig.engine.TransferState(), 50);
    rig.port.incoming = {kAck};
    rig.engine.OnBytesArrived();
    // The copy comes one byte time behind the first, before the step runs.
    const microseconds copyArrives = rig.clock.now + microseconds(521);
    ASSERT_GT(rig.timer.deadline, copyArrives);
    rig.clock.now = copyArrives;
    rig.port.incoming.push_back(kAck);
    rig.engine.OnBytesArrived();
    rig.Tick();
    EXPECT_EQ(rig.log.lines, (Log{kWriteStart, kDuplicate, kWriteFailed}));
}

TEST(TimingTest, BytesFoundAtATickAreGivenTheSettleAndNoPollIsCounted) {
    EngineRig rig;
    rig.engine.StartRead();
    rig.Answer({kAck});
    rig.Answer({kAck});
    rig.Step();
    ASSERT_EQ(rig.engine.EmptyPolls(), 1);
    const int polls = rig.port.polls;
    rig.port.incoming = {'A'};
    rig.Tick();
    EXPECT_TRUE(rig.engine.Settling());
    EXPECT_EQ(rig.port.polls, polls);
    EXPECT_EQ(rig.engine.EmptyPolls(), 1);
    rig.Tick();
    EXPECT_EQ(rig.engine.TransferState(), 45);
}

// A module that answers after a fixed latency, in simulated time: arrivals and ticks are
// delivered in time order as a real event loop would.
class TimedModule {
  public:
    TimedModule(EngineRig& rig, microseconds latency) : rig_(rig), latency_(latency) {
        rig.port.module = [this](std::uint8_t byte) {
            if (const auto answer = protocol.Receive(byte)) {
                arrivals_.push_back({rig_.clock.now + latency_, *answer});
            }
        };
    }

    // Runs the procedure to its end; the simulated time it took.
    microseconds Run() {
        const microseconds start = rig_.clock.now;
        while (!rig_.engine.Idle()) {
            const bool arrival = !arrivals_.empty();
            if (!arrival && !rig_.timer.on) break;
            if (arrival && (!rig_.timer.on || arrivals_.front().first <= rig_.timer.deadline)) {
                rig_.clock.now = std::max(rig_.clock.now, arrivals_.front().first);
                rig_.port.incoming.push_back(arrivals_.front().second);
                arrivals_.pop_front();
                rig_.engine.OnBytesArrived();
            } else {
                rig_.Tick();
            }
        }
        return rig_.clock.now - start;
    }

    sim::ModuleProtocol protocol{SampleImage()};

  private:
    EngineRig& rig_;
    microseconds latency_;
    std::deque<std::pair<microseconds, std::uint8_t>> arrivals_;
};

struct LatencyCase {
    const char* name;
    microseconds latency;
    microseconds silenceWindowMin;
    microseconds silenceWindowMax;
};
void PrintTo(const LatencyCase& c, std::ostream* os) { *os << c.name; }

class LatencyTest : public ::testing::TestWithParam<LatencyCase> {};

TEST_P(LatencyTest, FullReadAdaptsItsSilenceWindow) {
    EngineRig rig;
    TimedModule module(rig, GetParam().latency);
    rig.engine.StartRead();
    const microseconds took = module.Run();
    EXPECT_EQ(rig.log.lines, (Log{kReadStart, kOk}));
    EXPECT_EQ(rig.buffer, module.protocol.Memory());
    EXPECT_GE(rig.engine.SilenceWindow(), GetParam().silenceWindowMin);
    EXPECT_LE(rig.engine.SilenceWindow(), GetParam().silenceWindowMax);
    // Per byte: the answer, the settle and the silence window, nothing more.
    const microseconds perByte =
        GetParam().latency + rig.timing.settle + rig.engine.SilenceWindow() + microseconds(100);
    EXPECT_LE(took, 1025 * perByte + 4 * rig.timing.answerWindow);
}

TEST_P(LatencyTest, FullWriteRunsAtTheModulesPace) {
    EngineRig rig;
    TimedModule module(rig, GetParam().latency);
    rig.setup.creditCode = "*104#";
    rig.engine.StartWrite();
    const microseconds took = module.Run();
    EXPECT_EQ(rig.log.lines, (Log{kWriteStart, kOk}));
    EXPECT_EQ(module.protocol.Memory(), EncodeSetup(rig.setup));
    EXPECT_LE(took, 1025 * 2 * (GetParam().latency + rig.timing.settle + microseconds(100)));
}

TEST_P(LatencyTest, EmAfterTheAckIsCaught) {
    EngineRig rig;
    TimedModule module(rig, GetParam().latency);
    module.protocol.SetEarlyEm(40);
    rig.engine.StartRead();
    module.Run();
    EXPECT_EQ(rig.buffer.size(), 40u);
    EXPECT_EQ(rig.log.lines, (Log{kReadStart, kOk, kReadFailed}));  // 40 bytes do not decode
}

INSTANTIATE_TEST_SUITE_P(
    Modules, LatencyTest,
    ::testing::Values(
        // A fast module on a real line: the window sits at its floor.
        LatencyCase{"Fast", microseconds(1600), microseconds(2000), microseconds(2100)},
        // Every answer 10 ms late, EM included.
        LatencyCase{"Slow", microseconds(11100), microseconds(13000), microseconds(15000)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TimingTest, SilenceWindowNeverExceedsTheAnswerWindow) {
    EngineRig rig;
    EXPECT_EQ(rig.engine.SilenceWindow(), rig.timing.answerWindow);  // nothing measured yet
    TimedModule module(rig, microseconds(22000));
    module.protocol.SetEarlyEm(3);
    rig.engine.StartRead();
    module.Run();
    EXPECT_EQ(rig.engine.SilenceWindow(), rig.timing.answerWindow);
    EXPECT_EQ(rig.buffer.size(), 3u);
}

}  // namespace
}  // namespace kdx::test
