#include "link/TransferEngine.h"

#include <gtest/gtest.h>

#include <numeric>

#include "link/LogMessages.h"
#include "link/Protocol.h"
#include "tests/link/EngineRig.h"

namespace kdx::test {
namespace {

using namespace protocol;
using Log = std::vector<std::string>;
using Failure = TransferEngine::Failure;

constexpr std::uint8_t kNak = 0x15;  // a byte the protocol does not expect
const std::string kRd(messages::kReadStart), kWr(messages::kWriteStart),
    kRaw(messages::kRawWriteStart), kOk(messages::kTransferOk), kRdErr(messages::kReadFailed),
    kWrErr(messages::kWriteFailed), kPart(messages::kPartlyWritten),
    kDup(messages::kDuplicateReceive), kTestOk(messages::kTestOk), kTestErr(messages::kTestError);

enum class Procedure { kRead, kWrite, kTest };

void Start(EngineRig& rig, Procedure procedure) {
    if (procedure == Procedure::kRead) rig.state.Read();
    if (procedure == Procedure::kWrite) rig.state.Write();
    if (procedure == Procedure::kTest) rig.state.Test();
}

void ExpectIdle(const EngineRig& rig) {
    EXPECT_TRUE(rig.engine.Idle());
    EXPECT_FALSE(rig.timer.on);
    EXPECT_EQ(rig.engine.Progress(), 0);
    EXPECT_TRUE(rig.log.progress.empty() || rig.log.progress.back() == 0);
}

std::vector<int> ZeroToEndThenZero() {  // a whole read's or write's progress values
    std::vector<int> values(kEndProgress + 1);
    std::iota(values.begin(), values.end(), 0);
    values.push_back(0);
    return values;
}

// ---- every row of the three state tables, step by step

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
    rig.Edit([](SetupModel& setup) { setup.commandTable[0].smsText = "Z"; });  // first data byte
    const SetupModel setup = rig.setup;
    if (c.procedure == Procedure::kRead) rig.state.SetBuffer({1, 2, 3});
    Start(rig, c.procedure);
    for (const Bytes& answer : c.answers) {
        ASSERT_TRUE(rig.timer.on) << "ended before all answers were used";
        rig.Answer(answer);
    }
    EXPECT_EQ(rig.port.sent, c.sent);
    EXPECT_EQ(rig.log.lines, c.log);
    EXPECT_EQ(rig.engine.TransferState(), c.state);
    EXPECT_EQ(rig.timer.on, c.state != 0);
    if (c.state == 0) ExpectIdle(rig);
    EXPECT_EQ(rig.setup, setup);  // nothing here decodes
    if (c.log == Log{kRd, kRdErr}) {
        EXPECT_EQ(rig.buffer, (Bytes{1, 2, 3}));  // a failed read leaves the buffer
    }
}

Bytes Plus(Bytes bytes, std::initializer_list<std::uint8_t> more) {
    bytes.insert(bytes.end(), more);
    return bytes;
}
const Bytes kRdOpen = {kEtx, kReadCommand, kStx};
const Bytes kWrOpen = {kEtx, kWriteCommand, kStx, 'Z'};
constexpr Procedure R = Procedure::kRead, W = Procedure::kWrite, T = Procedure::kTest;

INSTANTIATE_TEST_SUITE_P(
    Rows, StateTableTest,
    ::testing::Values(
        RowCase{"ReadStart", R, {}, {kEtx}, {kRd}, 25},
        RowCase{"Read25Ack", R, {{kNak, kAck, 0}}, {kEtx, kReadCommand}, {kRd}, 35},
        RowCase{"Read25Silence", R, {{}}, {kEtx}, {kRd, kRdErr}, 0},
        RowCase{"Read25OtherByte", R, {{kNak}}, {kEtx}, {kRd, kRdErr}, 0},
        RowCase{"Read35Ack", R, {{kAck}, {kAck}}, kRdOpen, {kRd}, 50},
        RowCase{"Read35Silence", R, {{kAck}, {}}, {kEtx, kReadCommand}, {kRd, kRdErr}, 0},
        RowCase{"Read50OneByte", R, {{kAck}, {kAck}, {'A'}}, Plus(kRdOpen, {kAck}), {kRd}, 45},
        RowCase{"Read50AckIsData", R, {{kAck}, {kAck}, {kAck}}, Plus(kRdOpen, {kAck}), {kRd}, 45},
        RowCase{"Read50EmIsData", R, {{kAck}, {kAck}, {kEm}}, Plus(kRdOpen, {kAck}), {kRd}, 45},
        RowCase{"Read50TwoBytes", R, {{kAck}, {kAck}, {'A', 'A'}}, kRdOpen, {kRd, kRdErr}, 0},
        RowCase{"Read50Empty", R, {{kAck}, {kAck}, {}}, kRdOpen, {kRd}, 50},
        RowCase{"Read45Silence",
                R,
                {{kAck}, {kAck}, {'A'}, {}},
                Plus(kRdOpen, {kAck, kStx}),
                {kRd},
                50},
        RowCase{"Read45OthersDropped",
                R,
                {{kAck}, {kAck}, {'A'}, {'B', kAck}},
                Plus(kRdOpen, {kAck, kStx}),
                {kRd},
                50},
        // One byte does not decode: the failure comes after the success.
        RowCase{"Read45Em",
                R,
                {{kAck}, {kAck}, {'A'}, {'B', kEm}},
                Plus(kRdOpen, {kAck}),
                {kRd, kOk, kRdErr},
                0},
        RowCase{"WriteStart", W, {}, {kEtx}, {kWr}, 25},
        RowCase{"Write25Ack", W, {{kAck}}, {kEtx, kWriteCommand}, {kWr}, 35},
        RowCase{"Write25Silence", W, {{}}, {kEtx}, {kWr, kWrErr}, 0},
        RowCase{"Write35Ack", W, {{kAck}, {kNak, kAck}}, {kEtx, kWriteCommand, kStx}, {kWr}, 45},
        RowCase{"Write35OtherByte", W, {{kAck}, {kNak}}, {kEtx, kWriteCommand}, {kWr, kWrErr}, 0},
        RowCase{"Write45Ack", W, {{kAck}, {kAck}, {kAck}}, kWrOpen, {kWr}, 50},
        RowCase{"Write45Silence",
                W,
                {{kAck}, {kAck}, {}},
                {kEtx, kWriteCommand, kStx},
                {kWr, kWrErr},
                0},
        RowCase{
            "Write50Ack", W, {{kAck}, {kAck}, {kAck}, {kAck}}, Plus(kWrOpen, {kStx}), {kWr}, 45},
        RowCase{"Write50Em", W, {{kAck}, {kAck}, {kAck}, {kEm}}, kWrOpen, {kWr, kOk}, 0},
        RowCase{"Write50OtherByte",
                W,
                {{kAck}, {kAck}, {kAck}, {kNak}},
                kWrOpen,
                {kWr, kWrErr, kPart},
                0},
        RowCase{"Write50TwoBytes",
                W,
                {{kAck}, {kAck}, {kAck}, {kAck, kAck}},
                kWrOpen,
                {kWr, kDup, kWrErr, kPart},
                0},
        RowCase{"Write50Empty", W, {{kAck}, {kAck}, {kAck}, {}}, kWrOpen, {kWr}, 50},
        RowCase{"TestStart", T, {}, {kEtx, kEtx}, {}, 25},
        RowCase{"TestAck", T, {{kNak, kAck}}, {kEtx, kEtx}, {kTestOk}, 0},
        RowCase{"TestSilence", T, {{}}, {kEtx, kEtx}, {kTestErr}, 0},
        RowCase{"TestOtherByte", T, {{kNak}}, {kEtx, kEtx}, {kTestErr}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the empty-poll limits, counted in polls

class EmptyPollLimitTest : public ::testing::TestWithParam<Procedure> {};

TEST_P(EmptyPollLimitTest, OneFewerPassesTheLimitFails) {
    const bool read = GetParam() == Procedure::kRead;
    const int limit = read ? 5000 : 25000;
    for (const bool answerLast : {true, false}) {
        EngineRig rig;
        Start(rig, GetParam());
        for (int i = read ? 2 : 3; i > 0; --i) rig.Answer({kAck});
        ASSERT_EQ(rig.engine.TransferState(), 50);
        const microseconds start = rig.clock.now;
        for (int i = 1; i < limit; ++i) rig.Step();
        EXPECT_EQ(rig.clock.now - start, (limit - 1) * rig.timing.pollPeriod);
        if (answerLast) {
            rig.Answer({kAck});
            EXPECT_EQ(rig.engine.TransferState(), 45);
        } else {
            rig.Step();
            EXPECT_EQ(rig.log.lines.back(), read ? kRdErr : kPart);
            EXPECT_EQ(rig.outcomes.at(0).failure, Failure::kSilence);
            ExpectIdle(rig);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Limits, EmptyPollLimitTest, ::testing::Values(R, W));

// ---- whole transfers against the module's side of the protocol

TEST(FullTransferTest, ReadGivesTheMemoryDecodedAndShowsEveryCount) {
    EngineRig rig;
    TimedModule module(rig, kFast, SampleImage());
    rig.state.Read();
    module.Run();
    EXPECT_EQ(rig.log.lines, (Log{kRd, kOk}));
    ASSERT_EQ(rig.buffer, SampleImage());  // the byte after the last is dropped
    EXPECT_EQ(rig.buffer[3], kAck);        // control values are data
    EXPECT_EQ(rig.buffer[4], kEm);
    EXPECT_EQ(rig.log.decoded, 1);
    EXPECT_EQ(rig.setup.phoneList[2].number, "+420123456789");
    Bytes wire = {kEtx, kReadCommand};
    for (int i = 0; i < 1024; ++i) wire.insert(wire.end(), {kStx, kAck});
    EXPECT_EQ(rig.port.sent, Plus(wire, {kStx, kEtx}));
    EXPECT_EQ(rig.log.progress, ZeroToEndThenZero());
    ExpectIdle(rig);
}

// A byte left on the line from before (say, the answer of a module that acknowledges the ETX
// closing the previous transfer) is no answer to the new ETX: taken for one, it would shift
// every data byte by one.
class StaleByteTest : public ::testing::TestWithParam<Procedure> {};

TEST_P(StaleByteTest, IsNoAnswerToTheOpeningEtx) {
    EngineRig rig;
    rig.port.incoming = {kAck};
    Start(rig, GetParam());
    emit rig.port.BytesArrived();  // the port's notice of that byte comes after the start
    EXPECT_FALSE(rig.engine.Holding());
    EXPECT_EQ(rig.port.sent, Bytes{kEtx});
    rig.Answer({kAck});
    EXPECT_EQ(rig.port.sent, (Bytes{kEtx, GetParam() == R ? kReadCommand : kWriteCommand}));
}

INSTANTIATE_TEST_SUITE_P(Procedures, StaleByteTest, ::testing::Values(R, W));

TEST(FullTransferTest, ReadEndedByEmAfterNBytesReplacesOnlyTheBuffer) {
    EngineRig rig;
    TimedModule module(rig, kFast, SampleImage());
    module.protocol.SetEarlyEm(7);
    const SetupModel before = rig.setup;
    rig.state.Read();
    module.Run();
    EXPECT_EQ(rig.log.lines, (Log{kRd, kOk, kRdErr}));  // seven bytes do not decode
    EXPECT_TRUE(rig.outcomes.at(0).Succeeded());        // for the engine, the read ended well
    const ConfigBuffer image = SampleImage();
    EXPECT_EQ(rig.buffer, Bytes(image.begin(), image.begin() + 7));
    EXPECT_EQ(rig.setup, before);
    EXPECT_EQ(rig.port.sent.back(), kAck);  // no STX after the EM
}

TEST(FullTransferTest, UndecodableMemoryFailsAfterTheSuccess) {
    EngineRig rig;
    TimedModule module(rig, kFast);  // a new module: all 0xFF, no digits in its records
    const SetupModel before = rig.setup;
    rig.state.Read();
    module.Run();
    EXPECT_EQ(rig.log.lines, (Log{kRd, kOk, kRdErr}));
    EXPECT_EQ(rig.buffer, Bytes(1024, 0xFF));
    EXPECT_EQ(rig.setup, before);
    EXPECT_EQ(rig.log.decoded, 0);
    ExpectIdle(rig);
}

TEST(FullTransferTest, WriteSendsTheEncodedSetup) {
    EngineRig rig;
    TimedModule module(rig, kFast);
    rig.Edit([](SetupModel& setup) { setup.messageTexts.pagerName = "Garáž"; });
    rig.state.Write();
    EXPECT_EQ(rig.buffer, EncodeSetup(rig.setup));  // encoded into the program's buffer
    module.Run();
    EXPECT_EQ(module.protocol.Memory(), EncodeSetup(rig.setup));
    EXPECT_EQ(rig.log.lines, (Log{kWr, kOk}));
    EXPECT_EQ(rig.port.sent.back(), kEtx);
    EXPECT_EQ(rig.log.progress, ZeroToEndThenZero());
    ExpectIdle(rig);
}

TEST(FullTransferTest, RawWriteSendsTheBufferUnchanged) {
    EngineRig rig;
    TimedModule module(rig, kFast);
    ConfigBuffer raw(1024);
    std::iota(raw.begin(), raw.end(), std::uint8_t{0});  // every byte value
    rig.state.SetBuffer(raw);
    rig.state.RawWrite();
    module.Run();
    EXPECT_EQ(module.protocol.Memory(), raw);
    EXPECT_EQ(rig.log.lines, (Log{kRaw, kOk}));
}

TEST(FullTransferTest, WriteEndedByEmSucceedsWithoutClosingEtx) {
    EngineRig rig;
    TimedModule module(rig, kFast);
    module.protocol.SetEarlyEm(5);
    rig.state.Write();
    module.Run();
    EXPECT_EQ(rig.log.lines, (Log{kWr, kOk}));
    EXPECT_EQ(rig.port.sent.back(), rig.buffer[4]);
}

class LastAnswerTest : public ::testing::TestWithParam<std::uint8_t> {};

TEST_P(LastAnswerTest, DecidesTheWriteAndEtxClosesIt) {
    EngineRig rig;
    TimedModule module(rig, kFast);
    module.alter = [](std::size_t n, std::uint8_t& answer) {
        if (n == 2 + 2 * 1024) answer = GetParam();  // the answer to data byte 1024
    };
    rig.state.Write();
    module.Run();
    EXPECT_EQ(rig.log.lines, GetParam() == kNak ? (Log{kWr, kWrErr, kPart}) : (Log{kWr, kOk}));
    EXPECT_EQ(rig.outcomes.at(0).failure,
              GetParam() == kNak ? Failure::kUnexpectedAnswer : Failure::kNone);
    EXPECT_EQ(rig.port.sent.back(), kEtx);
    ExpectIdle(rig);
}

INSTANTIATE_TEST_SUITE_P(Answers, LastAnswerTest, ::testing::Values(kAck, kEm, kNak));

class RawWriteSizeTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(RawWriteSizeTest, OtherSizesAreRefusedBeforeAnyByteIsSent) {
    EngineRig rig;
    rig.state.SetBuffer(ConfigBuffer(GetParam(), 0x41));
    rig.state.RawWrite();
    EXPECT_TRUE(rig.port.sent.empty());
    EXPECT_EQ(rig.log.lines, (Log{kRaw, kWrErr}));
    EXPECT_EQ(rig.outcomes.at(0).failure, Failure::kImageSize);
    ExpectIdle(rig);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RawWriteSizeTest, ::testing::Values(0u, 1023u, 1025u));

// ---- no port, failed sends, busy starts, the link test

class NoPortTest : public ::testing::TestWithParam<Procedure> {};

TEST_P(NoPortTest, FailsAtTheFirstPollWithItsMessage) {
    EngineRig rig;
    rig.port.open = false;
    Start(rig, GetParam());
    EXPECT_EQ(rig.timer.on, GetParam() != T);  // the test fails at once
    rig.Step();
    const Log expected[] = {{kRd, kRdErr}, {kWr, kWrErr}, {kTestErr}};
    EXPECT_EQ(rig.log.lines, expected[static_cast<int>(GetParam())]);
    ASSERT_EQ(rig.outcomes.size(), 1u);
    EXPECT_EQ(rig.outcomes[0].failure, Failure::kPortClosed);
    ExpectIdle(rig);
}

INSTANTIATE_TEST_SUITE_P(Procedures, NoPortTest, ::testing::Values(R, W, T));

TEST(SendFailureTest, IsIgnoredAndThePollDecides) {
    EngineRig rig;
    rig.port.outputWorks = false;
    rig.state.Read();
    rig.Answer({kAck});
    EXPECT_EQ(rig.engine.TransferState(), 35);
}

TEST(BusyTest, StartRequestsWhileAProcedureRunsAreRefused) {
    EngineRig rig;
    TimedModule module(rig, kFast, SampleImage());
    EXPECT_NE(rig.state.Read(), nullptr);
    module.Run([&] { return rig.engine.Progress() == 10; });
    const Bytes sent = rig.port.sent;
    const int state = rig.engine.TransferState();
    const microseconds deadline = rig.timer.deadline;
    EXPECT_EQ(rig.state.Read(), nullptr);
    EXPECT_EQ(rig.state.Write(), nullptr);
    EXPECT_EQ(rig.state.RawWrite(), nullptr);
    EXPECT_EQ(rig.state.Test(), nullptr);
    EXPECT_EQ(rig.state.QuickTest(), nullptr);
    EXPECT_EQ(rig.port.sent, sent);
    EXPECT_EQ(rig.engine.TransferState(), state);
    EXPECT_EQ(rig.engine.TransferMode(), TransferEngine::kReadMode);
    EXPECT_EQ(rig.timer.deadline, deadline);
    module.Run();
    EXPECT_EQ(rig.log.lines, (Log{kRd, kOk}));
    EXPECT_EQ(rig.buffer, SampleImage());
    ASSERT_EQ(rig.outcomes.size(), 1u);
    EXPECT_EQ(rig.outcomes[0].received, SampleImage());
}

TEST(LinkTest, DropsWhatWaitedBeforeWaitsItsFullTimeAndLeavesTheBarAlone) {
    EngineRig rig;
    rig.port.incoming = {kAck};  // stale: not the answer
    rig.state.Test();
    rig.state.Read();  // ignored: the test is waiting
    EXPECT_EQ(rig.port.sent, (Bytes{kEtx, kEtx}));
    rig.Tick();
    EXPECT_EQ(rig.log.lines, Log{kTestErr});

    rig.state.Test();
    rig.port.incoming = {kAck, kAck};
    emit rig.port.BytesArrived();  // no early step: the test always waits
    EXPECT_EQ(rig.timer.interval, rig.timing.testWait);
    rig.Tick();
    EXPECT_EQ(rig.log.lines, (Log{kTestErr, kTestOk}));
    ASSERT_EQ(rig.outcomes.size(), 2u);
    EXPECT_EQ(rig.outcomes[0].failure, Failure::kNoAcknowledge);
    EXPECT_EQ(rig.outcomes[1].procedure, TransferEngine::kTestMode);
    EXPECT_TRUE(rig.outcomes[1].Succeeded());
    EXPECT_TRUE(rig.log.progress.empty());

    rig.state.Read();  // and a read after it polls at its own pace
    rig.Answer({kAck});
    rig.Answer({kAck});
    EXPECT_EQ(rig.timer.interval, rig.timing.pollPeriod);
}

TEST(LinkTest, TheQuickCheckEndsAtTheModulesAck) {
    EngineRig rig;
    rig.state.QuickTest();
    rig.port.incoming = {kNak};
    emit rig.port.BytesArrived();
    EXPECT_TRUE(rig.log.lines.empty());  // another byte does not end it
    rig.port.incoming = {kAck};
    emit rig.port.BytesArrived();
    EXPECT_EQ(rig.log.lines, Log{kTestOk});
    EXPECT_TRUE(rig.outcomes.at(0).Succeeded());
    ExpectIdle(rig);
}

// ---- when steps run

// A step that went on with its answer's first byte still counts a byte arriving one byte time
// behind it into its poll: the duplicate of a data byte or of a write's answer fails the
// transfer, a duplicate ACK elsewhere is absorbed. An answer that ends the transfer waits for
// it, also when a tick rather than a notice finds it.
struct TailCase {
    const char* name;
    Procedure procedure;
    int acks;  // ACKs answered before: up to state 50, or write state 45 with two
    std::uint8_t answer;
    Log log;
    int state;
    bool announced = true;
};
void PrintTo(const TailCase& c, std::ostream* os) { *os << c.name; }

class TailTest : public ::testing::TestWithParam<TailCase> {};

TEST_P(TailTest, ASecondByteOneByteTimeBehindCountsIntoThePoll) {
    const TailCase& c = GetParam();
    EngineRig rig;
    Start(rig, c.procedure);
    for (int i = 0; i < c.acks; ++i) rig.Answer({kAck});
    rig.clock.now += kFast;
    rig.port.incoming = {c.answer};
    if (c.announced) {
        emit rig.port.BytesArrived();
    } else {
        rig.Tick();
    }
    rig.clock.now += microseconds(521);
    rig.port.incoming.push_back(c.answer);
    emit rig.port.BytesArrived();
    if (rig.engine.Holding()) rig.Tick();
    EXPECT_EQ(rig.log.lines, c.log);
    EXPECT_EQ(rig.engine.TransferState(), c.state);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, TailTest,
    ::testing::Values(
        // a data byte of EM's value: its duplicate is neither missed nor taken for an EM
        TailCase{"ReadDataByte", R, 2, kEm, {kRd, kRdErr}, 0},
        TailCase{"WriteAck", W, 3, kAck, {kWr, kDup, kWrErr, kPart}, 0},
        TailCase{"WriteEm", W, 3, kEm, {kWr, kDup, kWrErr, kPart}, 0},
        TailCase{"WriteEmFoundAtATick", W, 3, kEm, {kWr, kDup, kWrErr, kPart}, 0, false},
        TailCase{"WriteStxAckAbsorbed", W, 2, kAck, {kWr}, 50}),
    [](const auto& info) { return std::string(info.param.name); });

struct LatencyCase {
    const char* name;
    microseconds latency;
    microseconds tick;                  // behind a converter: its latency timer
    microseconds windowMin, windowMax;  // read state 45's window once adapted
    microseconds readByte, writeByte;   // what a data byte takes at most once it has adapted
};
void PrintTo(const LatencyCase& c, std::ostream* os) { *os << c.name; }

class LatencyTest : public ::testing::TestWithParam<LatencyCase> {
  protected:
    // Behind a converter the ETX goes out 10 ms into a tick's period: the answer times measured
    // from there would draw the silence window below a period but for its floor.
    TimedModule Module(EngineRig& rig, ConfigBuffer memory = {}) {
        const LatencyCase& c = GetParam();
        if (c.tick > microseconds{0}) {
            rig.clock.now = rig.clock.now / c.tick * c.tick + microseconds(10000);
        }
        return TimedModule(rig, c.latency, std::move(memory), c.tick);
    }
};

TEST_P(LatencyTest, TransfersRunAtTheModulesPaceAndCatchItsEm) {
    const LatencyCase& c = GetParam();
    const microseconds opening = 100 * (c.latency + c.tick);  // the window starts wider
    {
        EngineRig rig;
        TimedModule module = Module(rig, SampleImage());
        rig.state.Read();
        const microseconds took = module.Run();
        EXPECT_EQ(rig.log.lines, (Log{kRd, kOk}));
        EXPECT_GE(rig.engine.SilenceWindow(), c.windowMin);
        EXPECT_LE(rig.engine.SilenceWindow(), c.windowMax);
        EXPECT_LE(took, 1025 * c.readByte + opening);
    }
    {
        EngineRig rig;
        TimedModule module = Module(rig);
        rig.state.Write();
        EXPECT_LE(module.Run(), 1025 * c.writeByte + opening);
        EXPECT_EQ(module.protocol.Memory(), EncodeSetup(rig.setup));
    }
    {
        EngineRig rig;
        TimedModule module = Module(rig, SampleImage());
        module.protocol.SetEarlyEm(40);
        rig.state.Read();
        module.Run();
        EXPECT_EQ(rig.buffer.size(), 40u);
    }
}

constexpr microseconds kNoConverter{0};
INSTANTIATE_TEST_SUITE_P(
    Modules, LatencyTest,
    ::testing::Values(
        // A data byte takes the answer and the silence window to read, two answers to write.
        LatencyCase{"Fast", kFast, kNoConverter, microseconds(2000), microseconds(2100),
                    kFast + microseconds(2100), 2 * kFast},
        // every answer, EM included, 10 ms late
        LatencyCase{"Slow", microseconds(11100), kNoConverter, microseconds(13000),
                    microseconds(15000), microseconds(26100), microseconds(22200)},
        // slower than the answer window allows for the silence: capped
        LatencyCase{"Slowest", microseconds(450000), kNoConverter, microseconds(500000),
                    microseconds(500000), microseconds(950000), microseconds(900000)},
        // Behind a converter an answer waits for its next tick, 16 ms apart: two ticks a byte.
        LatencyCase{"Converter", microseconds(1540), microseconds(16000), microseconds(17000),
                    microseconds(20000), microseconds(32000), microseconds(32000)}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kdx::test
