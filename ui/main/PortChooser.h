#pragma once

#include <QObject>
#include <array>
#include <functional>

#include "state/Ports.h"

class QRadioButton;

namespace kdx {

class Module10;

// The port choice: the options COM1 to COM6, greyed when their port cannot be opened (the
// tooltip says why), and the opening of the one the user picks. While no procedure runs, the
// options follow the devices that come and go.
class PortChooser : public QObject {
    Q_OBJECT
  public:
    using Options = std::array<QRadioButton*, kPortCount>;  // Option1 to Option6

    // portOpened is the window's flag that a port has been chosen; the options belong to the
    // window, the source must outlive the chooser.
    PortChooser(Module10& state, PortSource& source, Options options, int& portOpened,
                QObject* parent = nullptr);
    ~PortChooser() override;

    // Greys the options of the ports that cannot be opened and closed; leaves none open.
    void ProbePorts();
    // Every port probed again but the open one, also those greyed as in use.
    void RefreshPorts();

  private:
    QRadioButton* Option(int k) const { return options_[static_cast<std::size_t>(k - 1)]; }
    // The source's devices now; the ports whose device changed (all: every one) are probed, the
    // open one never.
    void Follow(bool all);
    // Opens the chosen port, closing the one open before (also the same one).
    void OpenSelectedPort();
    void Probe(int k);
    void LineGone();
    // The open port k has gone: unchecked and said in the log.
    void PortGone(int k);
    // After the running procedure's own lines, or soon when none runs.
    void AfterProcedure(std::function<void()> then);

    Module10& state_;
    PortSource& source_;
    PortMap ports_{QStringList()};
    Options options_;
    int& portOpened_;
    int openPort_ = 0;        // the port the link has open, 0 for none
    bool following_ = false;  // a Follow waits for the procedure's end
    bool followAll_ = false;  // and probes every port then: F5 was pressed meanwhile
};

}  // namespace kdx
