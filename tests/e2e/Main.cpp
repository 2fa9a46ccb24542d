#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

// The Qt adapters need an application and its event loop.
int main(int argc, char** argv) {
    // The module journal of these transfers (and of the kdx17 they start) stays out of the
    // user's own data folder.
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath("data").toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
