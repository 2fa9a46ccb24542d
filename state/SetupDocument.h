#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "config/Layout.h"
#include "config/SetupModel.h"

namespace kdx {

// The setup the program works on, with its memory image: where they came from and whether the
// user has changed the setup since. Views never write it: they ask for an edit, and every view
// that shows a changed part follows the Changed signal.
class SetupDocument : public QObject {
    Q_OBJECT
  public:
    // What a change touches, as flags: each view shows again only its own parts.
    enum Part {
        kCommands = 1,  // the SMS command table
        kPhones = 2,    // the phone list
        kTexts = 4,     // the texts of the SMS the module sends
        kPanel = 8,     // the input settings and the default outputs
        kHeld = 16,     // sysValue, creditCode, creditKeepAlive
        kAll = 31,
    };
    enum class Origin { kDefaults, kModule, kFile };

    explicit SetupDocument(QObject* parent = nullptr);

    const SetupModel& Setup() const { return setup_; }
    // The configuration buffer: empty until a read, a file, an encoding or the text window fills
    // it.
    const ConfigBuffer& Image() const { return image_; }
    Origin From() const { return origin_; }
    const QString& File() const { return file_; }  // the file it came from or was saved as
    // The user has changed the setup since it was read, opened, saved or reset.
    bool Edited() const { return edited_; }

    // One change by the user; the parts it touches are shown again. An empty time in the command
    // table becomes "0", as the table shows it.
    void Edit(int parts, const std::function<void(SetupModel&)>& change);
    // A whole new setup with the image it stands for (a read, an opened file, a decoding).
    void Take(SetupModel setup, ConfigBuffer image, Origin origin, const QString& file = {});
    // The defaults' changes at start: no edit of the user's.
    void Reset(int parts, const std::function<void(SetupModel&)>& change);
    // The buffer alone ("setup to buffer", the text window); the setup stays as it is.
    void SetImage(ConfigBuffer image);
    // The setup is now kept in this file.
    void MarkSaved(const QString& file);

    // What a write puts into the module: the image as it was read or opened when the setup has
    // not been changed since (a backup goes back byte for byte), else the setup's encoding.
    ConfigBuffer ImageToWrite() const;

  signals:
    void Changed(int parts);
    // Origin, file name or edited flag: what a window title says.
    void StatusChanged();

  private:
    void SetStatus(Origin origin, const QString& file, bool edited);

    SetupModel setup_;
    ConfigBuffer image_;
    bool imageIsSource_ = false;  // image_ is what the setup was taken from, unchanged
    Origin origin_ = Origin::kDefaults;
    QString file_;
    bool edited_ = false;
};

}  // namespace kdx
