#pragma once

#include <QTemporaryDir>

namespace kdx::test {

// A test's own settings and data folders, never the user's, and a journal that records whatever
// the environment said.
struct PrivateHome {
    PrivateHome() {
        qputenv("XDG_DATA_HOME", home.filePath("data").toUtf8());
        qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
        qunsetenv("KDX17_HISTORY");
    }
    QTemporaryDir home;
};

}  // namespace kdx::test
