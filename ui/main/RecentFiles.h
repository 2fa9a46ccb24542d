#pragma once

#include <QStringList>

namespace kdx {

// The setup files opened or saved last, newest first, kept in the user's settings between runs.
// Files that are gone are left out when the list is read.
class RecentFiles {
  public:
    static constexpr int kMax = 8;

    static QStringList List();
    // PATH becomes the newest; the oldest beyond kMax goes.
    static void Add(const QString& path);
};

}  // namespace kdx
