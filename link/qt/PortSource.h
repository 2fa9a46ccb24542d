#pragma once

#include <QObject>

#include "link/qt/PortMap.h"

namespace kdx {

// Where the devices behind COM1 to COM6 come from, and when they may have changed: a program
// that follows the machine's devices brings a source that says Changed whenever one may have
// come or gone (on Linux a watch on what the port map reads; on Windows the system's
// device-change notice). Changed may come more often than anything changes.
class PortSource : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // The devices now.
    virtual PortMap Ports() const = 0;

  signals:
    void Changed();
};

// A list that never changes: for tests, and where no notice of devices is at hand.
class FixedPorts : public PortSource {
  public:
    explicit FixedPorts(PortMap ports, QObject* parent = nullptr)
        : PortSource(parent), ports_(std::move(ports)) {}

    PortMap Ports() const override { return ports_; }

  private:
    PortMap ports_;
};

}  // namespace kdx
