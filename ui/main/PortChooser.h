#pragma once

#include <QObject>
#include <array>

#include "link/qt/PortMap.h"

class QRadioButton;

namespace kdx {

class Module10;

// The port choice: the options COM1 to COM6, greyed when their port cannot be opened (the
// tooltip says why), and the opening of the one the user picks.
class PortChooser : public QObject {
    Q_OBJECT
  public:
    using Options = std::array<QRadioButton*, kPortCount>;  // Option1 to Option6

    // portOpened is the window's flag that a port has been chosen; the options belong to the
    // window.
    PortChooser(Module10& state, PortMap ports, Options options, int& portOpened,
                QObject* parent = nullptr);

    // Greys the options of the ports that cannot be opened and closed; leaves none open.
    void ProbePorts();
    // Opens the chosen port, closing the one open before (also the same one).
    void OpenSelectedPort();

  private:
    QRadioButton* Option(int k) const { return options_[static_cast<std::size_t>(k - 1)]; }

    Module10& state_;
    PortMap ports_;
    Options options_;
    int& portOpened_;
};

}  // namespace kdx
