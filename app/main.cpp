#include <QApplication>

#include "ui/main/MainWindow.h"
#include "ui/main/Module10.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Wayland shells find the window's icon and name through its desktop entry.
    QGuiApplication::setDesktopFileName(KDX_APP_ID);
    kdx::Module10 module;
    kdx::MainWindow window(module);
    window.show();
    return app.exec();
}
