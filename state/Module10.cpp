#include "state/Module10.h"

#include "config/Codec.h"
#include "link/LogMessages.h"
#include "link/qt/Platform.h"
#include "link/qt/QtTimeOfDay.h"

namespace kdx {

QString PortProblemWords(PortProblem problem, const QString& device) {
    return device.isEmpty() ? PortProblemText(problem) : PortProblemText(problem, device);
}

QString PortNote(const QString& device) { return PortLockNote(device); }

Module10::Module10(LocalTime localTime, TransferTiming timing, Link::Parts linkParts)
    : localTime_(localTime ? std::move(localTime) : [] { return QTime::currentTime(); }),
      link_(*this, *this, timing, std::move(linkParts)),
      probe_(MakeSerialDevice()) {
    log_.SetChangedHook(
        [this](const std::string& text) { emit LogChanged(QString::fromStdString(text)); });
    // Kept before anyone hears the end: a program that exits then has its entry.
    connect(&link_, &Link::Finished, this, &Module10::Journalise);
    connect(&link_, &Link::Finished, this, &Module10::Ended);
    connect(&link_, &Link::LineGone, this, &Module10::PortGone);
}

void Module10::LogMessage(std::string_view message) {
    log_.LogMessage(message);
    emit Logged(QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
}

void Module10::ResetCommandTable() {
    document_.Reset(SetupDocument::kCommands, [](SetupModel& setup) { setup.ResetCommandTable(); });
}

void Module10::ResetMessageTexts() {
    document_.Reset(SetupDocument::kTexts, [](SetupModel& setup) { setup.ResetMessageTexts(); });
}

void Module10::EncodeSetup() { document_.SetImage(kdx::EncodeSetup(Setup())); }

bool Module10::DecodeBuffer() {
    auto setup = StoredSetup(Buffer());
    if (!setup) return false;
    document_.Take(std::move(*setup), Buffer(), document_.From(), document_.File());
    return true;
}

void Module10::SetBuffer(ConfigBuffer image) { document_.SetImage(std::move(image)); }

bool Module10::OpenFile(const QString& path, FileError& error) {
    auto file = LoadImageFile(path, error);
    if (!file) return false;
    if (!file->setup) {
        file->setup = StoredSetup(file->image);
        if (!file->setup) {
            const DecodeProblem problem = *CheckBuffer(file->image);
            error.kind = FileError::Kind::NotDecodable;
            error.message = QString(
                                "%1: obraz nelze dekódovat, bajt %2 není číslice (nikdy "
                                "nezapsaný modul?)")
                                .arg(path)
                                .arg(problem.offset);
            return false;
        }
    }
    document_.Take(std::move(*file->setup), std::move(file->image), SetupDocument::Origin::kFile,
                   path);
    return true;
}

bool Module10::SaveFile(const QString& path, FileError& error) {
    const auto format = KnownFormat(path, error);
    if (!format) return false;
    const bool saved = *format == ImageFormat::Json
                           ? SaveSetup(path, Setup(), error)
                           : SaveImage(path, document_.ImageToWrite(), error);
    if (saved) document_.MarkSaved(path);
    return saved;
}

Module10::RequestHandle Module10::Begin(const std::function<void(TransferEngine&)>& start) {
    if (Busy()) return nullptr;
    // A start that ends at once (an image of the wrong size) has ended the request already.
    auto request = running_ = std::make_shared<Request>();
    start(link_.Engine());
    return request;
}

Module10::RequestHandle Module10::Read() {
    return Begin([](TransferEngine& engine) { engine.StartRead(); });
}

// A write already running keeps its image: the busy check comes before the encoding.
Module10::RequestHandle Module10::Write() {
    if (Busy()) return nullptr;
    const ConfigBuffer image = document_.ImageToWrite();
    if (image != Buffer()) document_.SetImage(image);
    sent_ = image;
    return Begin([&image](TransferEngine& engine) { engine.StartWrite(image); });
}

Module10::RequestHandle Module10::RawWrite() {
    if (Busy()) return nullptr;
    sent_ = Buffer();
    return Begin([this](TransferEngine& engine) { engine.StartRawWrite(Buffer()); });
}

Module10::RequestHandle Module10::Test() {
    return Begin([](TransferEngine& engine) { engine.StartTest(); });
}

Module10::RequestHandle Module10::QuickTest() {
    return Begin([](TransferEngine& engine) { engine.StartQuickTest(); });
}

bool Module10::Writing() const {
    return Busy() && link_.Engine().TransferMode() == TransferEngine::kWriteMode;
}

PortProblem Module10::OpenPort(const QString& device) {
    device_ = device;
    return link_.Open(device);
}

PortProblem Module10::ProbePort(const QString& device) {
    if (device.isEmpty()) return PortProblem::kNoDevice;
    const PortProblem problem = probe_->Open(device, SerialDevice::Use::kProbe);
    probe_->Close();
    return problem;
}

// A complete read becomes the document, by the same rule as an opened image; bytes that do not
// decode end it as a failed read, the buffer holding them. A write that ended after some of the
// new image went out may have left the module with part of it: the user must know. One that
// ended before (no port, no answer) changed nothing in the module.
void Module10::Ended(const Outcome& outcome) {
    if (outcome.procedure == TransferEngine::kWriteMode && !outcome.Succeeded() &&
        outcome.written > 0) {
        LogMessage(messages::kPartlyWritten);
    }
    if (outcome.procedure == TransferEngine::kReadMode && outcome.Succeeded()) {
        if (auto setup = StoredSetup(outcome.received)) {
            document_.Take(std::move(*setup), outcome.received, SetupDocument::Origin::kModule);
        } else {
            document_.SetImage(outcome.received);
            LogMessage(messages::kReadFailed);
        }
    }
    if (auto request = std::exchange(running_, nullptr)) request->End(outcome);
    emit ProcedureEnded(outcome);
}

void Module10::Journalise(const Outcome& outcome) {
    const QString why = journal_.Record(outcome, device_, sent_);
    if (!why.isEmpty()) LogMessage(("Historie modulů: záznam nelze uložit: " + why).toStdString());
}

void Module10::ShowProgress(int value) { emit Progress(value); }

std::string Module10::TimeOfDay() { return TimeOfDayText(localTime_()).toStdString(); }

}  // namespace kdx
