// Renders the two editor windows, filled with sample entries, into form2.png and form3.png in
// the directory given as the argument (the project keeps them in docs/images).
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QPixmap>

#include "config/SetupModel.h"
#include "ui/editors/Form2.h"
#include "ui/editors/Form3.h"

namespace {

void WaitUntilActive(QWidget& window) {
    const QDeadlineTimer deadline(5000);
    while (!window.isActiveWindow() && !deadline.hasExpired()) QApplication::processEvents();
}

bool Save(QWidget& window, const QDir& dir, const char* name) {
    return window.grab().save(dir.filePath(name));
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        qWarning("usage: RenderEditors <directory>");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));

    kdx::SetupModel setup;
    setup.commandTable[3] = {"ZAP RELE1", "RELE1", "IMPULS", "5", "ANO"};
    setup.phoneList[0].number = "+420603123456";

    kdx::Form2 form2(setup, {});
    form2.OpenForRow(4);
    WaitUntilActive(form2);
    const bool saved2 = Save(form2, dir, "form2.png");
    form2.close();

    kdx::Form3 form3(setup, kdx::EditTarget::PhoneNumber, 1, {}, {});
    form3.show();
    WaitUntilActive(form3);
    const bool saved3 = Save(form3, dir, "form3.png");
    return saved2 && saved3 ? 0 : 1;
}
