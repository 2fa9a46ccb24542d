// Writes a picture of every window into the folder given as the argument: each tab of the main
// window, the last one in debug mode, the open "Soubor" menu, both editors, the setup sheet and
// the About box.
// Run it with QT_QPA_PLATFORM=offscreen to need no display.
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QTextStream>
#include <QTimer>

#include "sheet/SetupSheet.h"
#include "state/Module10.h"
#include "ui/editors/EditorHost.h"
#include "ui/editors/Form2.h"
#include "ui/editors/Form3.h"
#include "ui/main/Form1.h"
#include "ui/main/MainWindow.h"
#include "ui/main/TabControl.h"

namespace {

// Until the window is active: an editor loads its row on activation.
void Settle(QWidget& window) {
    window.activateWindow();
    const QDeadlineTimer deadline(2000);
    while (!window.isActiveWindow() && !deadline.hasExpired()) QApplication::processEvents();
    QApplication::processEvents();
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: kdx17-screenshots <folder>\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    kdx::Module10 state([] { return QTime(12, 0, 0); });  // the same pictures every run
    kdx::MainWindow window(state);
    kdx::Form1& form = window.Client();
    state.Document().Edit(kdx::SetupDocument::kAll, [](kdx::SetupModel& setup) {
        setup.commandTable[3] = {"ZAP RELE1", "RELE1", "IMPULS", "5", "ANO"};
        setup.phoneList[0].number = "+420603123456";
    });
    window.show();
    Settle(window);

    bool saved = true;
    auto save = [&](const QPixmap& picture, const QString& name) {
        saved = picture.save(folder.filePath(name)) && saved;
    };
    for (int tab = 0; tab < form.SSTab1->count(); ++tab) {
        form.SSTab1->setCurrentIndex(tab);
        QApplication::processEvents();
        save(window.grab(), QString("form1-tab%1.png").arg(tab + 1));
    }
    form.Check2->click();
    QApplication::processEvents();
    save(window.grab(), "form1-tab4-debug.png");
    form.Check2->click();

    form.Editors().Grid1DoubleClick(4);
    Settle(*form.Editors().CommandEditor());
    save(form.Editors().CommandEditor()->grab(), "form2.png");
    form.Editors().CommandEditor()->close();
    form.Editors().Grid2DoubleClick(1, 1);
    Settle(*form.Editors().TextEditor());
    save(form.Editors().TextEditor()->grab(), "form3.png");
    form.Editors().TextEditor()->close();

    // The menu is a window of its own: it is drawn onto the main window where it opens.
    QMenu* file = window.menuBar()->actions().front()->menu();
    const QPoint under = window.menuBar()->actionGeometry(file->menuAction()).bottomLeft();
    file->popup(window.menuBar()->mapToGlobal(under));
    QApplication::processEvents();
    QPixmap withMenu = window.grab();
    QPainter(&withMenu).drawPixmap(window.mapFromGlobal(file->pos()), file->grab());
    save(withMenu, "menu-soubor.png");
    file->close();

    // The customer's sheet of a small setup, dated so that the picture stays the same.
    state.Document().Edit(kdx::SetupDocument::kAll, [](kdx::SetupModel& setup) {
        setup.commandTable[0] = {"ZAPNI TOPENÍ", "RELE1", "SEPNUTI", "0", "ANO"};
        setup.commandTable[1] = {"VYPNI TOPENÍ", "RELE1", "ROZEPNUTI", "0", "ANO"};
        setup.commandTable[2] = {"OTEVRI VRATA", "RELE2", "IMPULS", "3", "NE"};
        setup.commandTable[4] = {"STAV", "SYSTEM", "STATUS", "0", "NE"};
        setup.phoneList[0] = {"+420 777 123 456", "0", "0", "0", "0", "0", "", "", ""};
        setup.phoneList[1] = {"+420 603 123 456", "", "0", "", "", "", "", "", ""};
        setup.messageTexts = {"Chata Lipno", "Poplach garáž", "Poplach dům", "Klid garáž",
                              "Klid dům"};
        setup.creditCode = "*101#";
    });
    save(QPixmap::fromImage(kdx::SetupSheet(state.Setup(), QDate(2026, 5, 4)).Picture(72)),
         "sheet.png");

    // The About box waits for its button: it is taken once shown.
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!about) return;
        Settle(*about);
        save(about->grab(), "about.png");
        about->accept();
    });
    window.aboutAction->trigger();
    return saved ? 0 : 1;
}
