#pragma once

#include <QString>

namespace kdx {

// The text with every control character (and line or paragraph separator) as a visible escape:
// "\x1b", "\u2028". A file's name or text quoted in a message must not drive the terminal or
// break the line it is shown on. Escaping twice changes nothing more.
QString Visible(const QString& text);

}  // namespace kdx
