#include "ui/main/IoPanel.h"

#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <climits>
#include <cstdint>

#include "ui/main/Texts.h"

namespace kdx {
namespace {

constexpr int kTenthsPerSecond = 10;
constexpr int kInsensitivityAtZero = 1;  // slider position 0 stands for 0.1 s

// A caption read as a number: its leading integer, 0 when it has none.
int CaptionValue(const QString& caption) {
    return LeadingNumber(caption.trimmed().toStdString(), INT_MIN, INT_MAX);
}

int SliderPosition(int insensitivity) {
    return insensitivity == kInsensitivityAtZero ? 0 : insensitivity / kTenthsPerSecond;
}

std::int16_t Insensitivity(const QSlider* slider) {
    const int position = slider->value();
    return static_cast<std::int16_t>(position == 0 ? kInsensitivityAtZero
                                                   : position * kTenthsPerSecond);
}

}  // namespace

IoPanel::IoPanel(SetupDocument& document, IoPanelControls controls, QObject* parent)
    : QObject(parent), document_(document), controls_(controls) {
    for (QPushButton* button : {controls_.Command8, controls_.Command9, controls_.Command10}) {
        connect(button, &QPushButton::clicked, this, [this, button] { OutputButtonClick(button); });
    }
    // clicked comes from the user only (mouse, keyboard); a selection made by code is silent.
    for (QRadioButton* option :
         {controls_.Option7, controls_.Option8, controls_.Option9, controls_.Option10}) {
        connect(option, &QRadioButton::clicked, this, [this] { CollectIoPanel(); });
    }
    // ShowIoPanel blocks the sliders' signals while it moves them.
    for (QSlider* slider : {controls_.in1, controls_.in2}) {
        connect(slider, &QSlider::valueChanged, this, [this] { CollectIoPanel(); });
    }
}

void IoPanel::CollectIoPanel(bool byUser) {
    std::uint8_t outputs = 0xFF;
    if (CaptionValue(controls_.Command8->text()) == 0) outputs &= ~kOutputBitRele1;
    if (CaptionValue(controls_.Command9->text()) == 0) outputs &= ~kOutputBitRele2;
    if (CaptionValue(controls_.Command10->text()) == 0) outputs &= ~kOutputBitBypass;
    InputSettings inputs;
    inputs.in1Polarity = controls_.Option7->isChecked() ? 0 : 1;
    inputs.in2Polarity = controls_.Option10->isChecked() ? 0 : 1;
    inputs.in1Insensitivity = Insensitivity(controls_.in1);
    inputs.in2Insensitivity = Insensitivity(controls_.in2);
    auto collect = [&](SetupModel& setup) {
        setup.outputDefaults = outputs;
        setup.inputSettings = inputs;
    };
    if (byUser) {
        document_.Edit(SetupDocument::kPanel, collect);
    } else {
        document_.Reset(SetupDocument::kPanel, collect);
    }
}

void IoPanel::ShowIoPanel() {
    ShowOutputState(controls_.Command8, document_.Setup().outputDefaults & kOutputBitRele1 ? 1 : 0);
    ShowOutputState(controls_.Command9, document_.Setup().outputDefaults & kOutputBitRele2 ? 1 : 0);
    ShowOutputState(controls_.Command10,
                    document_.Setup().outputDefaults & kOutputBitBypass ? 1 : 0);
    const InputSettings& inputs = document_.Setup().inputSettings;
    (inputs.in1Polarity != 0 ? controls_.Option8 : controls_.Option7)->setChecked(true);
    (inputs.in2Polarity != 0 ? controls_.Option9 : controls_.Option10)->setChecked(true);
    const QSignalBlocker block1(controls_.in1);
    const QSignalBlocker block2(controls_.in2);
    controls_.in1->setValue(SliderPosition(inputs.in1Insensitivity));
    controls_.in2->setValue(SliderPosition(inputs.in2Insensitivity));
}

void IoPanel::ShowOutputState(QPushButton* button, int v) {
    const int shown = CaptionValue(button->text());
    if (v == 0 && shown == 1) button->setText(texts::kOff);
    if (v == 1 && shown == 0) button->setText(texts::kOn);
}

void IoPanel::OutputButtonClick(QPushButton* button) {
    if (button->text() == texts::kOn) {
        ShowOutputState(button, 0);
    } else if (button->text() == texts::kOff) {
        ShowOutputState(button, 1);
    }
    CollectIoPanel();
}

}  // namespace kdx
