#include "state/Module10.h"

#include "config/Codec.h"
#include "link/LogMessages.h"
#include "link/qt/QtTimeOfDay.h"

namespace kdx {

Module10::Module10(LocalTime localTime, TransferTiming timing, Link::Parts linkParts)
    : link(log, *this, timing, std::move(linkParts)),
      localTime_(localTime ? std::move(localTime) : [] { return QTime::currentTime(); }) {
    log.SetChangedHook([this](const std::string& text) {
        if (logView_) logView_->ShowLog(text);
    });
    QObject::connect(&link, &Link::Finished, &link,
                     [this](const Link::Outcome& outcome) { TransferFinished(outcome); });
}

Module10::Attachment Module10::Attach(SetupView& setupView, LogView& logView,
                                      ProgressDisplay& progressView) {
    setupView_ = &setupView;
    logView_ = &logView;
    progressView_ = &progressView;
    return Attachment(*this);
}

Module10::Attachment::~Attachment() {
    state_.setupView_ = nullptr;
    state_.logView_ = nullptr;
    state_.progressView_ = nullptr;
}

void Module10::ResetCommandTable() {
    setup.ResetCommandTable();
    if (setupView_) setupView_->CollectIoPanel();
}

void Module10::ResetMessageTexts() { setup.ResetMessageTexts(); }

void Module10::ShowCommandTable() {
    setup.ZeroEmptyTimes();
    if (setupView_) setupView_->FillCommandTable();
}

void Module10::ShowSetup() {
    setup.ZeroEmptyTimes();
    if (setupView_) setupView_->ShowSetup();
}

void Module10::EncodeSetup() { buffer = kdx::EncodeSetup(setup); }

bool Module10::DecodeBuffer() {
    if (!kdx::DecodeBuffer(buffer, setup)) return false;
    ShowSetup();
    return true;
}

void Module10::TakeOpened(ConfigBuffer image, SetupModel opened) {
    buffer = std::move(image);
    setup = std::move(opened);
    ShowSetup();
}

bool Module10::StartRead() { return link.Engine().StartRead(); }

bool Module10::StartWrite() {
    if (!link.Engine().Idle()) return false;  // a write already running keeps its image
    EncodeSetup();
    return link.Engine().StartWrite(buffer);
}

bool Module10::StartRawWrite() { return link.Engine().StartRawWrite(buffer); }

bool Module10::StartTest() { return link.Engine().StartTest(); }

bool Module10::Writing() {
    return !link.Engine().Idle() && link.Engine().TransferMode() == TransferEngine::kWriteMode;
}

// A complete read replaces the buffer; bytes that do not decode end it as a failed read. A write
// that ended early may have left the module with part of the new setup: the user should know.
void Module10::TransferFinished(const Link::Outcome& outcome) {
    using Failure = TransferEngine::Failure;
    if (outcome.procedure == TransferEngine::kWriteMode && !outcome.Succeeded() &&
        outcome.failure != Failure::kImageSize) {  // refused before a byte went out
        log.LogMessage(messages::kPartlyWritten);
    }
    if (outcome.procedure != TransferEngine::kReadMode || !outcome.Succeeded()) return;
    buffer = outcome.received;
    if (!DecodeBuffer()) log.LogMessage(messages::kReadFailed);
}

void Module10::ShowProgress(int value) {
    if (progressView_) progressView_->ShowProgress(value);
}

std::string Module10::TimeOfDay() { return TimeOfDayText(localTime_()).toStdString(); }

}  // namespace kdx
