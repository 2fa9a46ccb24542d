#include "ui/main/PortChooser.h"

#include <QRadioButton>

#include "link/qt/Platform.h"
#include "state/Module10.h"
#include "ui/main/Texts.h"

namespace kdx {

PortChooser::PortChooser(Module10& state, PortMap ports, Options options, int& portOpened,
                         QObject* parent)
    : QObject(parent),
      state_(state),
      ports_(std::move(ports)),
      options_(options),
      portOpened_(portOpened) {
    for (QRadioButton* option : options_) {
        connect(option, &QRadioButton::clicked, this, &PortChooser::OpenSelectedPort);
    }
}

void PortChooser::ProbePorts() {
    for (int k = 1; k <= kPortCount; ++k) Option(k)->setEnabled(true);
    // A port that can be opened and closed again is usable; the probe leaves it closed. A
    // greyed one says why in its tooltip.
    for (int k = 1; k <= kPortCount; ++k) {
        const QString device = ports_.Device(k);
        const PortProblem problem = state_.link.Open(device);
        if (problem == PortProblem::kNone) {
            state_.link.Close();
            Option(k)->setToolTip(device);
            continue;
        }
        Option(k)->setEnabled(false);
        Option(k)->setToolTip(device.isEmpty() ? texts::kNoDevice
                                               : device + ": " + PortProblemText(problem));
    }
}

void PortChooser::OpenSelectedPort() {
    if (portOpened_) state_.link.Close();
    for (int k = 1; k <= kPortCount; ++k) {
        if (!Option(k)->isChecked()) continue;
        // A port gone or taken since the probe: say so; the transfers then fail on their own.
        if (state_.link.Open(ports_.Device(k)) != PortProblem::kNone) {
            state_.LogMessage(
                QString(texts::kPortOpenFailed).arg(texts::kPortNames[k - 1]).toStdString());
            return;
        }
    }
    portOpened_ = 1;
}

}  // namespace kdx
