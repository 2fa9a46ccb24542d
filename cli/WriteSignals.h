#pragma once

#include <QTextStream>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace kdx {

// A write cut off leaves the module with part of the new setup and part of the old. While one
// of these lives, SIGINT and SIGTERM do not end the program: the first lets the write finish
// and says so, a second says what the module may now hold and calls endNow. Once it is gone,
// the signals end the program at once again. One at a time; the platform's own in whole files.
class WriteSignals {
  public:
    WriteSignals(QTextStream& err, std::function<void()> endNow);
    ~WriteSignals();
    WriteSignals(const WriteSignals&) = delete;
    WriteSignals& operator=(const WriteSignals&) = delete;

    // A signal has come: the program is to end once the write has.
    bool Caught();

  private:
    void Take();            // the signals noted since the last call
    void Count(int count);  // what so many more signals mean for the write

    QTextStream& err_;
    std::function<void()> endNow_;
    int caught_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace kdx
