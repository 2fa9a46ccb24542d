#pragma once

#include <QObject>
#include <optional>

#include "link/TransferEngine.h"

namespace kdx {

// One procedure on the module, from its start to its end. Whoever started it hears its own end
// here, with its outcome; no one has to guess which procedure a shared signal was about.
class Request : public QObject {
    Q_OBJECT
  public:
    using Outcome = TransferEngine::Outcome;

    // Runs the event loop until the procedure has ended; for callers without a loop of their own.
    const Outcome& Wait();

    void End(const Outcome& outcome);  // the state's, once

  signals:
    void Finished(const kdx::TransferEngine::Outcome& outcome);

  private:
    std::optional<Outcome> outcome_;
};

}  // namespace kdx
