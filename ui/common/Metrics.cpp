#include "ui/common/Metrics.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace kdx {
namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr const char* kLayoutFamily = "MS Sans Serif";

double LogicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

// The layouts were made for "MS Sans Serif", whose letters average about half an em; a wider
// stand-in is narrowed to that, so the texts fit their controls as they did there.
constexpr double kLetterEms = 0.51;
constexpr int kNarrowestStretch = 75;
constexpr const char* kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

int StandInStretch(const QFont& font) {
    const double emPixels = font.pointSizeF() * LogicalDpi() / 72.0;
    const double letterPixels = QFontMetricsF(font).horizontalAdvance(kLetters) /
                                static_cast<double>(std::strlen(kLetters));
    return std::clamp(static_cast<int>(100.0 * kLetterEms * emPixels / letterPixels),
                      kNarrowestStretch, 100);
}

}  // namespace

int TwipsToPixels(int twips) {
    return static_cast<int>(std::lround(twips * LogicalDpi() / kTwipsPerInch));
}

void PlaceTwips(QWidget* control, int left, int top, int width, int height) {
    const int x = TwipsToPixels(left);
    const int y = TwipsToPixels(top);
    control->setGeometry(x, y, TwipsToPixels(left + width) - x, TwipsToPixels(top + height) - y);
}

QFont FormFont(double pointSize, bool bold) {
    // A face the program puts in the layout family's place (its built-in one on Windows) serves
    // even where the machine has that family, so the window looks alike on every machine.
    static const QString family = [] {
        const QString substitute = QFont::substitute(kLayoutFamily);
        if (substitute.compare(kLayoutFamily, Qt::CaseInsensitive) != 0) return substitute;
        if (QFontDatabase::families().contains(kLayoutFamily, Qt::CaseInsensitive)) {
            return QString(kLayoutFamily);
        }
        return QString();
    }();
    QFont font =
        family.isEmpty() ? QFontDatabase::systemFont(QFontDatabase::GeneralFont) : QFont(family);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    if (family != kLayoutFamily) font.setStretch(StandInStretch(font));
    return font;
}

}  // namespace kdx
