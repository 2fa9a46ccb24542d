// Writes a picture of each tab of the main window, and of the last tab in debug mode, into the
// folder given as the argument. Run it with QT_QPA_PLATFORM=offscreen to need no display.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QTextStream>

#include "ui/main/Form1.h"
#include "ui/main/Module10.h"
#include "ui/main/TabControl.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: kdx17-screenshots <folder>\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    kdx::Module10 module([] { return QTime(12, 0, 0); });  // the same pictures every run
    kdx::Form1 form(module);
    form.show();

    bool saved = true;
    auto save = [&](const QString& name) {
        QApplication::processEvents();
        saved = form.grab().save(folder.filePath(name)) && saved;
    };
    for (int tab = 0; tab < form.SSTab1->count(); ++tab) {
        form.SSTab1->setCurrentIndex(tab);
        save(QString("form1-tab%1.png").arg(tab + 1));
    }
    form.Check2->click();
    save("form1-tab4-debug.png");
    return saved ? 0 : 1;
}
