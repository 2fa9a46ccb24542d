#pragma once

#include <QStringList>
#include <QTextStream>

namespace kdx {

// kdx17 history [show N | export N FILE | diff N M]: the module journal, N counting from the
// newest entry (1).
int HistoryCommand(const QStringList& args, QTextStream& out, QTextStream& err);

}  // namespace kdx
