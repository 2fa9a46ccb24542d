#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/Ports.h"
#include "state/Module10.h"
#include "ui/main/MainWindow.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Where the settings (the recent files) are kept: ~/.config/kdx17/kdx17-setup.conf on Linux.
    QCoreApplication::setOrganizationName("kdx17");
    QCoreApplication::setApplicationName("kdx17-setup");
    // Wayland shells find the window's icon and name through its desktop entry.
    QGuiApplication::setDesktopFileName(KDX_APP_ID);
    // Qt's own dialogs speak Czech like the program: from Qt's translations where they are
    // installed, else from the program itself (Windows).
    QTranslator qtTexts;
    const QLocale czech(QLocale::Czech);
    if (qtTexts.load(czech, "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        qtTexts.load(czech, "qtbase", "_", ":/translations")) {
        QApplication::installTranslator(&qtTexts);
    }
    kdx::Module10 state;
    const auto ports = kdx::MakePortSource();
    kdx::MainWindow window(state, *ports);
    window.show();
    // A file named on the command line (as the desktop entry passes one) opens as from the menu,
    // after the start-up; one refused leaves its line in the log and the program runs on.
    if (const QStringList arguments = QApplication::arguments(); arguments.size() > 1) {
        window.OpenFile(arguments[1]);
    }
    return app.exec();
}
