#include "ui/main/Module10.h"

#include "config/Codec.h"
#include "ui/main/Form1.h"

namespace kdx {

void Module10::ResetCommandTable() {
    setup.ResetCommandTable();
    if (form) form->CollectIoPanel();
}

void Module10::ResetMessageTexts() { setup.ResetMessageTexts(); }

void Module10::EncodeSetup() { buffer = kdx::EncodeSetup(setup); }

bool Module10::DecodeBuffer() {
    if (!kdx::DecodeBuffer(buffer, setup)) return false;
    if (form) form->ShowSetup();
    return true;
}

}  // namespace kdx
