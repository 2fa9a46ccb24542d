#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "config/SetupModel.h"

namespace kdx {

// The setup as a .json file with named fields, for people and scripts to edit.
QByteArray SetupToJson(const SetupModel& setup);

// Reads such a file strictly: an unknown key, a word outside the module's tables, a value out
// of its range or a text longer than its field is refused with a message naming it. Keys left
// out keep their defaults.
std::optional<SetupModel> SetupFromJson(const QByteArray& json, QString& error);

}  // namespace kdx
