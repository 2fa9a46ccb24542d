#include "state/Request.h"

#include <QEventLoop>

namespace kdx {

const Request::Outcome& Request::Wait() {
    if (!outcome_) {
        QEventLoop loop;
        connect(this, &Request::Finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return *outcome_;
}

void Request::End(const Outcome& outcome) {
    outcome_ = outcome;
    emit Finished(outcome);
}

}  // namespace kdx
