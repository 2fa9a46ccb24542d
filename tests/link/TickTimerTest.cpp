// The platform's transfer timer, against the steady clock that the engine measures with.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <thread>

#include "link/qt/Platform.h"

namespace kdx::test {
namespace {

using namespace std::chrono_literals;
using std::chrono::microseconds;

// The engine re-arms the timer at every step and counts on no window ending early: a tick never
// comes before its interval, also when an earlier arming expired unseen just before, and none
// comes after Off.
TEST(TickTimerTest, NoTickBeforeItsIntervalNorAfterOff) {
    int argc = 1;
    char name[] = "link_tests";
    char* argv[] = {name};
    QCoreApplication app(argc, argv);
    const std::unique_ptr<TickTimer> timer = MakeTransferTimer();
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    int ticks = 0;
    microseconds since{0}, gap{0};
    QObject::connect(timer.get(), &TickTimer::Tick, [&] {
        ++ticks;
        gap = SteadyClock().Now() - since;
        timer->Off();
        loop.quit();
    });
    auto expireUnseen = [&] {
        timer->SetInterval(50us);
        timer->On();
        std::this_thread::sleep_for(300us);
        timer->Off();
    };
    auto run = [&](std::chrono::milliseconds time) {
        ticks = 0;
        limit.start(time);
        loop.exec();
        limit.stop();
    };

    for (const microseconds interval : {300us, 1000us, 5000us}) {
        for (int i = 0; i < 5; ++i) {
            expireUnseen();
            timer->SetInterval(interval);
            since = SteadyClock().Now();
            timer->On();
            run(1s);
            ASSERT_EQ(ticks, 1) << interval.count() << " us";
            EXPECT_GE(gap, interval);
        }
    }
    expireUnseen();
    run(20ms);
    EXPECT_EQ(ticks, 0);
}

}  // namespace
}  // namespace kdx::test
