#include "state/SetupDocument.h"

#include "config/Codec.h"

namespace kdx {

SetupDocument::SetupDocument(QObject* parent) : QObject(parent), setup_(StartSetup()) {}

void SetupDocument::Edit(int parts, const std::function<void(SetupModel&)>& change) {
    change(setup_);
    setup_.ZeroEmptyTimes();
    imageIsSource_ = false;
    SetStatus(origin_, file_, true);
    emit Changed(parts);
}

void SetupDocument::Reset(int parts, const std::function<void(SetupModel&)>& change) {
    change(setup_);
    setup_.ZeroEmptyTimes();
    imageIsSource_ = false;
    emit Changed(parts);
}

void SetupDocument::Take(SetupModel setup, ConfigBuffer image, Origin origin, const QString& file) {
    setup_ = std::move(setup);
    image_ = std::move(image);
    imageIsSource_ = image_.size() == layout::kBufferSize;
    SetStatus(origin, file, false);
    emit Changed(kAll);
}

void SetupDocument::SetImage(ConfigBuffer image) {
    image_ = std::move(image);
    imageIsSource_ = false;
}

void SetupDocument::MarkSaved(const QString& file) { SetStatus(Origin::kFile, file, false); }

ConfigBuffer SetupDocument::ImageToWrite() const {
    return imageIsSource_ ? image_ : EncodeSetup(setup_);
}

void SetupDocument::SetStatus(Origin origin, const QString& file, bool edited) {
    if (origin == origin_ && file == file_ && edited == edited_) return;
    origin_ = origin;
    file_ = file;
    edited_ = edited;
    emit StatusChanged();
}

}  // namespace kdx
