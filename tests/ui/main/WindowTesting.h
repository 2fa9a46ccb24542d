#pragma once

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "state/Module10.h"
#include "ui/main/Form1.h"

namespace kdx::test {

// New program-wide state with a fixed time of day for its log, and the main window on it, shown,
// with the given devices behind COM1 to COM6 (none: no real port is ever touched).
inline std::unique_ptr<Form1> OpenWindow(std::unique_ptr<Module10>& state, QTime now,
                                         QStringList ports = {}) {
    state = std::make_unique<Module10>([now] { return now; });
    auto form = std::make_unique<Form1>(*state, PortMap(std::move(ports)));
    form->show();
    return form;
}

// A change of the setup as a user's edit would make it; the views follow.
inline void EditSetup(Module10& state, const std::function<void(SetupModel&)>& change) {
    state.Document().Edit(SetupDocument::kAll, change);
}

// Ticks "debug" when it is not, then clicks one of the debug buttons.
inline void ClickDebugButton(Form1& form, QPushButton* button) {
    if (!form.Check2->isChecked()) QTest::mouseClick(form.Check2, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
}

}  // namespace kdx::test
