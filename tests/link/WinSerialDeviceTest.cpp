// The Windows link's notices, which come as APCs: the port's arrival notice against a module on
// a real COM port, the one named by KDX17_TEST_PORT (tools/windows points wine's COM5 at the
// virtual module), and the timer's ticks inside a loop of the system's own. Bytes must be
// announced as they come, with no look at the port in between, and closing must not wait for
// the read that is pending.
#include <gtest/gtest.h>
#include <windows.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "link/Protocol.h"
#include "link/qt/Platform.h"

namespace kdx::test {
namespace {

using namespace std::chrono_literals;
using std::chrono::microseconds;

TEST(WinSerialDeviceTest, AnswersAreAnnouncedAsTheyCome) {
    const char* port = std::getenv("KDX17_TEST_PORT");
    if (!port) GTEST_SKIP() << "KDX17_TEST_PORT names no port with a module";
    int argc = 1;
    char name[] = "link_tests";
    char* argv[] = {name};
    QCoreApplication app(argc, argv);
    const std::unique_ptr<SerialDevice> device = MakeSerialDevice();
    ASSERT_EQ(device->Open(port), PortProblem::kNone);

    QEventLoop loop;
    QObject::connect(device.get(), &SerialDevice::BytesArrived, &loop, &QEventLoop::quit);
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    std::vector<microseconds> answers;
    for (int i = 0; i < 20; ++i) {
        // The module acknowledges every ETX outside a write.
        const microseconds sent = SteadyClock().Now();
        ASSERT_TRUE(device->Output(protocol::kEtx));
        limit.start(2s);
        loop.exec();
        ASSERT_TRUE(limit.isActive()) << "no notice of the answer to ETX " << i + 1;
        answers.push_back(SteadyClock().Now() - sent);
        QTimer::singleShot(5ms, &loop, &QEventLoop::quit);  // room for a byte too many
        loop.exec();
        EXPECT_EQ(device->Input(), Bytes{protocol::kAck});
    }
    // Three bytes on the wire at 19200 baud and the module's reaction take under 2 ms; a notice
    // that waits for a poll or a tick comes far later on a busy machine.
    std::nth_element(answers.begin(), answers.begin() + 10, answers.end());
    EXPECT_LT(answers[10], 10ms);

    const microseconds closing = SteadyClock().Now();
    device->Close();
    EXPECT_LT(SteadyClock().Now() - closing, 100ms);
}

// A window being moved or sized runs the system's own loop, which lets no APC in: the ticks must
// go on there, or a transfer would stall for as long as the user holds the title bar.
TEST(WinTickTimerTest, TicksGoOnInALoopOfTheSystemsOwn) {
    int argc = 1;
    char name[] = "link_tests";
    char* argv[] = {name};
    QCoreApplication app(argc, argv);
    const std::unique_ptr<TickTimer> timer = MakeTransferTimer();
    int ticks = 0;
    QObject::connect(timer.get(), &TickTimer::Tick, [&] {
        if (++ticks == 20) PostQuitMessage(0);
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [] { PostQuitMessage(0); });
    timer->SetInterval(1ms);
    timer->On();
    limit.start(5s);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    EXPECT_GE(ticks, 20) << "the ticks stalled within the loop";
}

}  // namespace
}  // namespace kdx::test
