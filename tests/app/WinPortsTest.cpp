// The Windows port source: COM1 to COM6, named as the system lists them, followed through its
// device-change notice, here handed to the native event filters as the window's messages are.
#include <windows.h>
// windows.h first: dbt.h uses its types.
#include <dbt.h>
#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>

#include "app/win/Ports.h"

namespace kdx::test {
namespace {

struct Notice {
    const char* name;
    UINT message;
    WPARAM event;
    DWORD deviceType;  // of the header in lParam; 0 for none
    bool changes;
};

class NoticeTest : public testing::TestWithParam<Notice> {};

TEST_P(NoticeTest, OnlyAPortsComingOrGoingIsAChange) {
    int argc = 1;
    char name[] = "app_tests";
    char* argv[] = {name};
    QCoreApplication app(argc, argv);
    QStringList present = {"COM3"};
    NoticedPorts ports([&] { return present; });
    int changes = 0;
    QObject::connect(&ports, &PortSource::Changed, [&] { ++changes; });
    // A port the system does not list is still offered, by its device path.
    EXPECT_EQ(ports.Ports().Device(3), "COM3");
    EXPECT_EQ(ports.Ports().Device(5), "\\\\.\\COM5");

    const Notice& notice = GetParam();
    DEV_BROADCAST_HDR header{sizeof header, notice.deviceType, 0};
    const LPARAM data = notice.deviceType ? reinterpret_cast<LPARAM>(&header) : 0;
    present = {"COM3", "com5", "COM12"};
    MSG msg{nullptr, notice.message, notice.event, data};
    qintptr result = 0;
    EXPECT_FALSE(QAbstractEventDispatcher::instance()->filterNativeEvent("windows_generic_MSG",
                                                                         &msg, &result));
    // wine's first timers in a process may come seconds late: a change is awaited generously,
    // and its absence for as long as a timer started after the notice runs.
    QTimer limit;
    limit.setSingleShot(true);
    limit.start(notice.changes ? 60000 : 1000);
    while (changes == 0 && limit.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_EQ(changes, notice.changes ? 1 : 0);
    EXPECT_EQ(ports.Ports().Device(5), "COM5");
    EXPECT_EQ(ports.Ports().Device(6), "\\\\.\\COM6");
}

INSTANTIATE_TEST_SUITE_P(
    Notices, NoticeTest,
    testing::Values(
        Notice{"DevicesChanged", WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0, true},
        Notice{"PortArrived", WM_DEVICECHANGE, DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT, true},
        Notice{"PortRemoved", WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_PORT, true},
        Notice{"VolumeArrived", WM_DEVICECHANGE, DBT_DEVICEARRIVAL, DBT_DEVTYP_VOLUME, false},
        Notice{"OtherMessage", WM_USER, DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT, false}),
    [](const testing::TestParamInfo<Notice>& info) { return info.param.name; });

}  // namespace
}  // namespace kdx::test
