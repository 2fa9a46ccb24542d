#include "app/win/Ports.h"

#include <windows.h>
// windows.h first: dbt.h uses its types.
#include <dbt.h>

#include <QCoreApplication>
#include <iterator>

#include "app/Ports.h"
#include "link/qt/Platform.h"

namespace kdx {
namespace {

// A new port's driver registers it just after the notice.
constexpr int kSettleMs = 250;

// The ports the serial drivers have registered: the values under SERIALCOMM, "COM3" and so on.
QStringList RegisteredPorts() {
    QStringList names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return names;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameSize = std::size(name);
        wchar_t data[64] = {};
        DWORD dataSize = sizeof data - sizeof(wchar_t);  // room for the end the value may lack
        DWORD type = 0;
        const LONG status = RegEnumValueW(key, i, name, &nameSize, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_SUCCESS && type == REG_SZ) names << QString::fromWCharArray(data);
    }
    RegCloseKey(key);
    return names;
}

bool IsPortNotice(const MSG& msg) {
    if (msg.message != WM_DEVICECHANGE) return false;
    if (msg.wParam == DBT_DEVNODES_CHANGED) return true;
    if (msg.wParam != DBT_DEVICEARRIVAL && msg.wParam != DBT_DEVICEREMOVECOMPLETE) return false;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(msg.lParam);
    return header && header->dbch_devicetype == DBT_DEVTYP_PORT;
}

}  // namespace

NoticedPorts::NoticedPorts(Present present)
    : present_(present ? std::move(present) : RegisteredPorts) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &PortSource::Changed);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

NoticedPorts::~NoticedPorts() {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

// COM1 to COM6 are whatever opens under those names, listed or not: a port that only a
// symbolic link makes (wine's dosdevices, some converters' drivers) opens too. One the system
// does not list is named by its device path, so that its coming into the list (a converter
// plugged in) shows as a change, and the window probes it again.
PortMap NoticedPorts::Ports() const {
    const QStringList present = present_();
    QStringList devices = MachinePorts();
    for (QString& device : devices) {
        if (!present.contains(device, Qt::CaseInsensitive)) device.prepend("\\\\.\\");
    }
    return PortMap(devices);
}

// Every message on Windows, whatever its event type names, is a MSG.
bool NoticedPorts::nativeEventFilter(const QByteArray&, void* message, qintptr*) {
    if (IsPortNotice(*static_cast<const MSG*>(message))) settle_.start();
    return false;
}

std::unique_ptr<PortSource> MakePortSource() { return std::make_unique<NoticedPorts>(); }

}  // namespace kdx
