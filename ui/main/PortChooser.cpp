#include "ui/main/PortChooser.h"

#include <QRadioButton>

#include "state/Module10.h"
#include "ui/main/Texts.h"

namespace kdx {

PortChooser::PortChooser(Module10& state, PortSource& source, Options options, int& portOpened,
                         QObject* parent)
    : QObject(parent), state_(state), source_(source), options_(options), portOpened_(portOpened) {
    for (QRadioButton* option : options_) {
        connect(option, &QRadioButton::clicked, this, &PortChooser::OpenSelectedPort);
    }
    connect(&source_, &PortSource::Changed, this, [this] { Follow(false); });
    connect(&state_, &Module10::PortGone, this, &PortChooser::LineGone);
}

PortChooser::~PortChooser() = default;

void PortChooser::ProbePorts() {
    for (int k = 1; k <= kPortCount; ++k) Option(k)->setEnabled(true);
    Follow(true);
}

void PortChooser::RefreshPorts() { Follow(true); }

void PortChooser::Follow(bool all) {
    // A probe competes with a transfer for the event loop; the procedure goes first.
    if (state_.Busy()) {
        followAll_ = followAll_ || all;
        if (!std::exchange(following_, true)) {
            AfterProcedure([this] { Follow(std::exchange(followAll_, false)); });
        }
        return;
    }
    following_ = false;
    const PortMap fresh = source_.Ports();
    std::array<bool, kPortCount + 1> changed{};
    for (int k = 1; k <= kPortCount; ++k) changed[k] = fresh.Device(k) != ports_.Device(k);
    ports_ = fresh;
    if (openPort_ && changed[openPort_]) {
        state_.ClosePort();
        PortGone(std::exchange(openPort_, 0));
    }
    for (int k = 1; k <= kPortCount; ++k) {
        if (k != openPort_ && (all || changed[k])) Probe(k);
    }
}

// A port that can be opened and closed again is usable; the probe leaves it closed. A greyed
// one says why in its tooltip.
void PortChooser::Probe(int k) {
    const QString device = ports_.Device(k);
    const PortProblem problem = state_.ProbePort(device);
    Option(k)->setEnabled(problem == PortProblem::kNone);
    if (problem == PortProblem::kNone) {
        Option(k)->setToolTip(device);
    } else {
        Option(k)->setToolTip(device.isEmpty() ? texts::kNoDevice
                                               : device + ": " + PortProblemWords(problem, device));
    }
}

void PortChooser::OpenSelectedPort() {
    if (portOpened_) state_.ClosePort();
    openPort_ = 0;
    for (int k = 1; k <= kPortCount; ++k) {
        if (!Option(k)->isChecked()) continue;
        // A port gone or taken since the probe: say so; the transfers then fail on their own.
        if (state_.OpenPort(ports_.Device(k)) != PortProblem::kNone) {
            state_.LogMessage(
                QString(texts::kPortOpenFailed).arg(texts::kPortNames[k - 1]).toStdString());
            return;
        }
        openPort_ = k;
        if (const QString note = PortNote(ports_.Device(k)); !note.isEmpty()) {
            state_.LogMessage(note.toStdString());
        }
    }
    portOpened_ = 1;
}

// The link has closed the port itself, maybe inside a transfer's step: the rest waits until the
// procedure has said its own lines.
void PortChooser::LineGone() {
    const int k = std::exchange(openPort_, 0);
    if (k == 0) return;
    AfterProcedure([this, k] {
        if (openPort_ == k) return;  // the user has opened it again meanwhile
        PortGone(k);
        Probe(k);
    });
}

void PortChooser::PortGone(int k) {
    // An exclusive option cannot be unchecked by itself.
    Option(k)->setAutoExclusive(false);
    Option(k)->setChecked(false);
    Option(k)->setAutoExclusive(true);
    state_.LogMessage(QString(texts::kPortGone).arg(texts::kPortNames[k - 1]).toStdString());
}

// Queued: the procedure's end and the other handlers of it come first.
void PortChooser::AfterProcedure(std::function<void()> then) {
    auto later = [this, then = std::move(then)] {
        QMetaObject::invokeMethod(this, then, Qt::QueuedConnection);
    };
    if (!state_.Busy()) return later();
    connect(&state_, &Module10::ProcedureEnded, this, std::move(later), Qt::SingleShotConnection);
}

}  // namespace kdx
