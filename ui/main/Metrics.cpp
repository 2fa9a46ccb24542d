#include "ui/main/Metrics.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace kdx {
namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr const char* kLayoutFamily = "MS Sans Serif";

double LogicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
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
    static const bool hasLayoutFamily =
        QFontDatabase::families().contains(kLayoutFamily, Qt::CaseInsensitive);
    QFont font = hasLayoutFamily ? QFont(kLayoutFamily)
                                 : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (!hasLayoutFamily) font.setStretch(QFont::SemiCondensed);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

}  // namespace kdx
