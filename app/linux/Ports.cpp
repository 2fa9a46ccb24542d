#include "app/Ports.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include "link/qt/Platform.h"
#include "sim/Announcement.h"

namespace kdx {
namespace {

// A device node gets its permissions, and an announcement its line, just after it appears.
constexpr int kSettleMs = 250;

// Watches what the port map reads: the device nodes and the virtual modules' announcements.
// Nothing is opened here: the window probes what has changed.
class WatchedPorts : public PortSource {
  public:
    WatchedPorts() {
        settle_.setSingleShot(true);
        settle_.setInterval(kSettleMs);
        connect(&settle_, &QTimer::timeout, this, &PortSource::Changed);
        connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
            Watch();
            settle_.start();
        });
        Watch();
    }

    PortMap Ports() const override {
        QStringList devices = MachinePorts();
        for (const std::string& device : sim::AnnouncedPorts())
            devices << QString::fromStdString(device);
        return PortMap(devices);
    }

  private:
    // The announcements' folder comes with the first virtual module: its parent is watched
    // until then. A virtual module's pseudo-terminal goes with the module.
    void Watch() {
        const QString announcements = QString::fromStdString(sim::AnnouncementDirectory());
        for (const QString& folder : {QString("/dev"), QString("/dev/pts"),
                                      QFileInfo(announcements).path(), announcements}) {
            if (QFileInfo::exists(folder) && !watcher_.directories().contains(folder))
                watcher_.addPath(folder);
        }
    }

    QFileSystemWatcher watcher_;
    QTimer settle_;
};

}  // namespace

std::unique_ptr<PortSource> MakePortSource() { return std::make_unique<WatchedPorts>(); }

}  // namespace kdx
