#pragma once

// The ports as the window and kdx17 name them: the devices behind COM1 to COM6, where they come
// from, and the words for a port that cannot be opened.
#include "link/PortProblem.h"
#include "link/qt/PortSource.h"

class QString;

namespace kdx {

QString PortProblemWords(PortProblem problem);

}  // namespace kdx
