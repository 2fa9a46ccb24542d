#include "cli/WriteSignals.h"

namespace kdx {

void WriteSignals::Note(Kind kind) {
    caught_ = true;
    // Nobody is there to read it, and a shell that goes sends its hang-up more than once.
    if (kind == Kind::kHangUp) {
        hungUp_ = true;
        return;
    }
    if (++stops_ == 1) {
        if (!hungUp_) err_ << "kdx17: zápis se dokončí, pak program skončí" << Qt::endl;
    } else if (stops_ == 2) {
        err_ << "kdx17: zápis přerušen" << Qt::endl;
        endNow_();
    }
}

}  // namespace kdx
