#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/VirtualModules.h"
#include "link/qt/Platform.h"
#include "state/Module10.h"
#include "ui/main/MainWindow.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Wayland shells find the window's icon and name through its desktop entry.
    QGuiApplication::setDesktopFileName(KDX_APP_ID);
    // Qt's own dialogs speak Czech like the program, where Qt's translations are installed.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Czech), "qtbase", "_",
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }
    kdx::Module10 state;
    kdx::MainWindow window(state, kdx::PortMap(kdx::MachinePorts() + kdx::VirtualModulePorts()));
    window.show();
    return app.exec();
}
