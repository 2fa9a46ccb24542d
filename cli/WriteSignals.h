#pragma once

#include <QTextStream>
#include <functional>
#include <memory>

namespace kdx {

// A write cut off leaves the module with part of the new setup and part of the old. While one
// of these lives, the signals that stop a program from outside (SIGINT, SIGTERM, SIGQUIT,
// SIGHUP; on Windows Ctrl+C, Ctrl+Break and the console's close) do not end it: the first lets
// the write finish and says so, a second SIGINT, SIGTERM or SIGQUIT says what the module may now
// hold and calls endNow. A lost terminal (SIGHUP) is not asked anything: the write finishes
// without a word, however often it comes. SIGPIPE never ends the program meanwhile. Once it is
// gone, the signals end the program at once again. One at a time; the platform's own handlers
// live in whole files of their own.
class WriteSignals {
  public:
    WriteSignals(QTextStream& err, std::function<void()> endNow);
    ~WriteSignals();
    WriteSignals(const WriteSignals&) = delete;
    WriteSignals& operator=(const WriteSignals&) = delete;

    // A signal has come: the program is to end once the write has.
    bool Caught();

  private:
    enum class Kind { kStop, kHangUp };
    void Note(Kind kind);  // what one more signal means for the write

    struct Platform;

    QTextStream& err_;
    std::function<void()> endNow_;
    bool caught_ = false;
    bool hungUp_ = false;
    int stops_ = 0;
    std::unique_ptr<Platform> platform_;
};

// From now on a reader of the program's output that has gone (kdx17 read ... | head -c 1) never
// ends the program: writing to it fails instead, which the program can notice and say. (Linux:
// SIGPIPE ignored; nothing to do on Windows.)
void SurviveClosedOutput();

}  // namespace kdx
