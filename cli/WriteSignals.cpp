#include "cli/WriteSignals.h"

namespace kdx {

void WriteSignals::Count(int count) {
    for (; count > 0; --count) {
        if (++caught_ == 1) {
            err_ << "kdx17: zápis se dokončí, pak program skončí" << Qt::endl;
        } else if (caught_ == 2) {
            err_ << "kdx17: zápis přerušen" << Qt::endl;
            endNow_();
        }
    }
}

}  // namespace kdx
