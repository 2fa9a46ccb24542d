#pragma once

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "ui/main/Form1.h"
#include "ui/main/Module10.h"

namespace kdx::test {

// The main window on the given state, shown, with a fixed time of day for its log and the
// given devices behind COM1 to COM6 (none: no real port is ever touched).
inline std::unique_ptr<Form1> OpenWindow(Module10& module, QTime now, QStringList ports = {}) {
    auto form = std::make_unique<Form1>(
        module, [now] { return now; }, PortMap(std::move(ports)));
    form->show();
    return form;
}

// Ticks "debug" when it is not, then clicks one of the debug buttons.
inline void ClickDebugButton(Form1& form, QPushButton* button) {
    if (!form.Check2->isChecked()) QTest::mouseClick(form.Check2, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
}

}  // namespace kdx::test
