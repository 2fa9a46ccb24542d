#pragma once

#include "config/Layout.h"
#include "config/SetupModel.h"
#include "link/TransferEngine.h"

#include <optional>

namespace kdx {

class Form1;

// The program-wide state, alive for the whole run: the setup, the configuration buffer and the
// transfer engine.
// The windows get a reference to it; the procedures that work on it take no arguments.
struct Module10 {
    SetupModel setup;
    ConfigBuffer buffer;    // empty until a read, "setup to buffer" or "win to buff" fills it
    Form1* form = nullptr;  // the main window that shows the setup, while it exists
    // Built by the main window, whose timer, serial port, log and progress bar it drives.
    std::optional<TransferEngine> engine;

    // The command table's defaults, then the input settings and the default-outputs byte as
    // the panel shows them.
    void ResetCommandTable();
    void ResetMessageTexts();

    // buffer := the setup as the module stores it.
    void EncodeSetup();

    // The buffer into the setup, then the views and the panel show it. A buffer that cannot be
    // decoded changes nothing and gives false.
    bool DecodeBuffer();
};

}  // namespace kdx
