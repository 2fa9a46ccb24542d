#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "config/SetupModel.h"

namespace kdx {

// The setup as a .json file with named fields, for people and scripts to edit.
QByteArray SetupToJson(const SetupModel& setup);

// Reads such a file strictly (see StrictJson.h), and refuses with a message naming the key an
// unknown key, a word outside the module's tables, a number that is not an integer in its range
// and a text longer than its field. An action of the other table on a row ("RELE1" with
// "STATUS") is taken, as the window takes it. Keys left out keep the start setup's values.
std::optional<SetupModel> SetupFromJson(const QByteArray& json, QString& error);

}  // namespace kdx
