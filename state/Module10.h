#pragma once

#include <QTime>
#include <functional>
#include <string>

#include "config/Layout.h"
#include "config/SetupModel.h"
#include "link/ActivityLog.h"
#include "link/qt/Link.h"

namespace kdx {

// What a window shows of the program-wide state. The state knows its views only through
// these, and only while they are attached.
class SetupView {
  public:
    virtual ~SetupView() = default;
    // Panel -> setup: the input settings and the default-outputs byte.
    virtual void CollectIoPanel() = 0;
    // The command table into its view, as the setup holds it.
    virtual void FillCommandTable() = 0;
    // The whole setup into the views, after a decoding.
    virtual void ShowSetup() = 0;
};

class LogView {
  public:
    virtual ~LogView() = default;
    // The activity log's whole text, newest line first.
    virtual void ShowLog(const std::string& text) = 0;
};

// The program-wide state, alive for the whole run: the setup, the configuration buffer, the
// activity log and the link to the module. The procedures that work on it take no arguments.
class Module10 : private ProgressDisplay, private TimeOfDaySource {
  public:
    using LocalTime = std::function<QTime()>;  // what the log stamps its lines with

    // The link drives the platform's own port and timer unless a test brings others.
    explicit Module10(LocalTime localTime = {}, TransferTiming timing = {},
                      Link::Parts linkParts = {});

    // Attaches a window's views until the returned object goes, which detaches them.
    class Attachment {
      public:
        explicit Attachment(Module10& state) : state_(state) {}
        Attachment(const Attachment&) = delete;
        Attachment& operator=(const Attachment&) = delete;
        ~Attachment();

      private:
        Module10& state_;
    };
    [[nodiscard]] Attachment Attach(SetupView& setupView, LogView& logView,
                                    ProgressDisplay& progressView);

    // The command table's defaults, then the input settings and the default-outputs byte as
    // the panel shows them.
    void ResetCommandTable();
    void ResetMessageTexts();

    // The command table into the views. An empty time becomes "0" in the setup first, so that
    // the setup holds what the grid shows.
    void ShowCommandTable();

    // buffer := the setup as the module stores it.
    void EncodeSetup();
    // The buffer into the setup, then the views show it. A buffer that cannot be decoded
    // changes nothing and gives false.
    bool DecodeBuffer();
    // A setup from a file and its image become the setup and the buffer; the views show them.
    void TakeOpened(ConfigBuffer image, SetupModel opened);

    // The procedures on the module; each says whether it started (a busy link refuses).
    bool StartRead();
    bool StartWrite();  // encodes the setup into the buffer first
    bool StartRawWrite();
    bool StartTest();
    // Whether a write ("Uložit do KDX-17" or "buff to KDX") runs now: cutting it off would leave
    // the module half-written. The link's Finished tells its end.
    bool Writing();

    void LogMessage(std::string_view message) { log.LogMessage(message); }

    SetupModel setup;
    ConfigBuffer buffer;  // empty until a read, "setup to buffer" or "win to buff" fills it
    ActivityLog log{*this};
    Link link;

  private:
    void ShowProgress(int value) override;
    std::string TimeOfDay() override;
    void TransferFinished(const Link::Outcome& outcome);
    void ShowSetup();

    LocalTime localTime_;
    SetupView* setupView_ = nullptr;
    LogView* logView_ = nullptr;
    ProgressDisplay* progressView_ = nullptr;
};

}  // namespace kdx
