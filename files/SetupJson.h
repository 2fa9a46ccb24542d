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
// "STATUS") is taken, as the window takes it. Every key of the format must be there; the first
// one left out is named ("commands[3].sms: chybí") once the values present are all good.
std::optional<SetupModel> SetupFromJson(const QByteArray& json, QString& error);

}  // namespace kdx
