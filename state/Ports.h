#pragma once

// The ports as the window and kdx17 name them: the devices behind COM1 to COM6, where they come
// from, and the words for a port that cannot be opened.
#include "link/PortProblem.h"
#include "link/qt/PortSource.h"

class QString;

namespace kdx {

// With the device named, a port in use says its holder where the system tells it.
QString PortProblemWords(PortProblem problem, const QString& device = {});
// What a good open passed over on the device (a lock file of an ended program that could not be
// removed), or nothing.
QString PortNote(const QString& device);

}  // namespace kdx
