// The window is laid out for one font, and Windows machines differ in which of its stand-ins
// they have: where the one asked for is missing, the system falls back to whatever it finds, a
// serif face as often as not, whose wider letters its controls clip. DejaVu Sans, the face the
// Linux package relies on, travels inside the program and takes the place of any of them that
// the machine lacks.
#include <QCoreApplication>
#include <QFont>
#include <QFontDatabase>

namespace {

// Before any window exists: the windows take their fonts when they are made.
void UseBuiltInFont() {
    const int regular = QFontDatabase::addApplicationFont(":/fonts/DejaVuSans.ttf");
    QFontDatabase::addApplicationFont(":/fonts/DejaVuSans-Bold.ttf");
    const QString family = QFontDatabase::applicationFontFamilies(regular).value(0);
    if (family.isEmpty()) return;
    for (const char* face : {"MS Sans Serif", "Microsoft Sans Serif", "MS Shell Dlg",
                             "MS Shell Dlg 2", "Tahoma", "Segoe UI"}) {
        QFont::insertSubstitution(face, family);
    }
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(UseBuiltInFont)
