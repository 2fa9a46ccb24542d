#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/Ports.h"
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
    const auto ports = kdx::MakePortSource();
    kdx::MainWindow window(state, *ports);
    window.show();
    return app.exec();
}
