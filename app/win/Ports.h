#pragma once

#include <QAbstractNativeEventFilter>
#include <QTimer>
#include <functional>

#include "link/qt/PortSource.h"

namespace kdx {

// COM1 to COM6, named as the system lists them now, followed through its device-change notice,
// which Windows sends every top-level window when a port (a USB converter, say) comes or goes.
class NoticedPorts : public PortSource, public QAbstractNativeEventFilter {
  public:
    // The names of the ports the system has ("COM3", ...); by default those its serial drivers
    // have registered.
    using Present = std::function<QStringList()>;

    explicit NoticedPorts(Present present = {});
    ~NoticedPorts() override;

    PortMap Ports() const override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    Present present_;
    QTimer settle_;
};

}  // namespace kdx
