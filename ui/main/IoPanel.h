#pragma once

#include <QObject>

#include "state/SetupDocument.h"

class QPushButton;
class QRadioButton;
class QSlider;

namespace kdx {

// The controls of the "Nastavení" tab that show the input settings and the default outputs.
struct IoPanelControls {
    QPushButton* Command8;   // RELE1 default state
    QPushButton* Command9;   // RELE2 default state
    QPushButton* Command10;  // BYPASS default state
    QRadioButton* Option7;   // IN1 alarm on closing
    QRadioButton* Option8;   // IN1 alarm on opening
    QRadioButton* Option10;  // IN2 alarm on closing
    QRadioButton* Option9;   // IN2 alarm on opening
    QSlider* in1;            // IN1 insensitivity, seconds
    QSlider* in2;            // IN2 insensitivity, seconds
};

// The input/output panel and the setup kept in step: every user change on the panel is
// collected into the setup at once; a setup changed elsewhere is shown without collecting.
class IoPanel : public QObject {
    Q_OBJECT
  public:
    // The document must outlive the panel; the controls belong to the window.
    IoPanel(SetupDocument& document, IoPanelControls controls, QObject* parent = nullptr);

    // Panel -> setup: the input settings and the default-outputs byte; a user's edit, unless the
    // start setup is being built.
    void CollectIoPanel(bool byUser = true);
    // Setup -> panel, running none of the panel's handlers.
    void ShowIoPanel();
    // v = 0 turns a button reading 1 to "0", v = 1 a button reading 0 to "1"; else nothing.
    static void ShowOutputState(QPushButton* button, int v);

  private:
    void OutputButtonClick(QPushButton* button);

    SetupDocument& document_;
    IoPanelControls controls_;
};

}  // namespace kdx
