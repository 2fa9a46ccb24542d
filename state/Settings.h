#pragma once

#include <QSettings>

namespace kdx {

// The program's one settings file, shared by the window and kdx17: an INI file in the user's own
// configuration folder on every system, so that tests and scripts find it in the same place.
inline QSettings ProgramSettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "kdx17", "kdx17");
}

}  // namespace kdx
