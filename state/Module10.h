#pragma once

#include <QObject>
#include <QTime>
#include <functional>
#include <memory>
#include <string>

#include "files/ImageFile.h"
#include "link/ActivityLog.h"
#include "link/LogMessages.h"
#include "link/qt/Link.h"
#include "state/Journal.h"
#include "state/Ports.h"
#include "state/Request.h"
#include "state/SetupDocument.h"

namespace kdx {

// The program-wide state, alive for the whole run: the setup document, the activity log and the
// link to the module, with the procedures on them. The window and kdx17 both come through here,
// so a rule about files, writes or the log holds for both.
class Module10 : public QObject,
                 private MessageLog,
                 private ProgressDisplay,
                 private TimeOfDaySource {
    Q_OBJECT
  public:
    using LocalTime = std::function<QTime()>;  // what the log stamps its lines with
    using Outcome = TransferEngine::Outcome;
    using RequestHandle = std::shared_ptr<Request>;
    using Tap = Link::Tap;
    using Direction = Link::Direction;

    // The link drives the platform's own port and timer unless a test brings others.
    explicit Module10(LocalTime localTime = {}, TransferTiming timing = {},
                      Link::Parts linkParts = {});

    SetupDocument& Document() { return document_; }
    const SetupModel& Setup() const { return document_.Setup(); }
    const ConfigBuffer& Buffer() const { return document_.Image(); }

    // The start setup: the command table's defaults, then the message texts'.
    void ResetCommandTable();
    void ResetMessageTexts();

    // buffer := the setup as the module stores it.
    void EncodeSetup();
    // The buffer into the setup, by the rule every image follows (see OpenFile). A buffer that
    // cannot be decoded changes nothing and gives false.
    bool DecodeBuffer();
    // The buffer as the text window or a raw file gives it; the setup stays.
    void SetBuffer(ConfigBuffer image);

    // A file of any of the three formats, checked whole first: a refused one changes nothing
    // and the error says why. A .json gives its own words; an image the setup it decodes to,
    // every row's output and action named by its codes. Unedited, a write puts the file's image
    // into the module byte for byte.
    bool OpenFile(const QString& path, FileError& error);
    // The document into a file: a .json the setup's words, an image what a write would send.
    bool SaveFile(const QString& path, FileError& error);

    // The procedures on the module. Each gives the one request it started, or nothing when
    // another procedure runs, which then goes on undisturbed.
    RequestHandle Read();
    RequestHandle Write();     // the document's image, or the setup encoded after an edit
    RequestHandle RawWrite();  // the buffer as it is
    RequestHandle Test();
    // The link test for a program about to transfer: done as soon as the module's ACK is in.
    RequestHandle QuickTest();

    bool Busy() const { return !link_.Engine().Idle(); }
    // What the engine is doing now, for tests and diagnostics; procedures start only through the
    // requests above.
    const TransferEngine& Engine() const { return link_.Engine(); }
    // A write runs now: cutting it off would leave the module half-written.
    bool Writing() const;

    // The port of the procedures: opened at the module's settings, closing the one open before.
    PortProblem OpenPort(const QString& device);
    void ClosePort() { link_.Close(); }
    bool PortOpen() const { return link_.IsOpen(); }
    // Whether a device could be opened now; the procedures' port stays as it is.
    PortProblem ProbePort(const QString& device);
    // Sees every byte on the wire.
    void SetTap(Tap tap) { link_.SetTap(std::move(tap)); }

    void LogMessage(std::string_view message) override;
    // The log's first line, when the window has come up.
    void LogStarted() { LogMessage(messages::kProgramStarted); }

  signals:
    void Logged(const QString& message);   // one line, as it was logged
    void LogChanged(const QString& text);  // the whole log, newest line first
    void Progress(int value);
    // The open port's line has gone and the port has closed.
    void PortGone();
    // Every procedure's end, after its own request has heard it.
    void ProcedureEnded(const kdx::TransferEngine::Outcome& outcome);

  private:
    RequestHandle Begin(const std::function<void(TransferEngine&)>& start);
    void ShowProgress(int value) override;
    std::string TimeOfDay() override;
    void Ended(const Outcome& outcome);
    void Journalise(const Outcome& outcome);

    LocalTime localTime_;
    SetupDocument document_;
    ActivityLog log_{*this};
    Link link_;
    std::unique_ptr<SerialDevice> probe_;
    RequestHandle running_;
    QString device_;     // the port last opened, for the journal
    ConfigBuffer sent_;  // the image of the latest write, for the journal
    Journal journal_;
};

}  // namespace kdx
