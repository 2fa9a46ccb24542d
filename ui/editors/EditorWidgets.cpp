#include "ui/editors/EditorWidgets.h"

#include <algorithm>
#include <cstring>

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace kdx::editors {
namespace {
constexpr double kTwipsPerInch = 1440.0;
constexpr const char* kFontFamily = "MS Sans Serif";
constexpr double kButtonPoints = 9.75;

// The layout was made for "MS Sans Serif", whose letters average about half an em; a wider
// stand-in is narrowed to that so the texts fit their controls as they did there.
constexpr double kLetterEms = 0.51;
constexpr int kNarrowestStretch = 75;
constexpr const char* kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

int StandInStretch(const QFont& font) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    const double emPixels = font.pointSizeF() * dpi / 72.0;
    const double letterPixels =
        QFontMetricsF(font).horizontalAdvance(kLetters) / (std::strlen(kLetters));
    const int stretch = qFloor(100.0 * kLetterEms * emPixels / letterPixels);
    return std::clamp(stretch, kNarrowestStretch, 100);
}
}  // namespace

int Pixels(const QWidget& widget, int twips) {
    return qRound(twips * widget.logicalDpiX() / kTwipsPerInch);
}

void Place(QWidget& control, int left, int top, int width, int height) {
    control.setGeometry(Pixels(control, left), Pixels(control, top), Pixels(control, width),
                        Pixels(control, height));
}

void PlaceLine(QFrame& line, int left, int top, int right) {
    line.setFrameShape(QFrame::HLine);
    line.setFrameShadow(QFrame::Plain);
    // The frame draws its line through the middle of its 3-pixel height.
    line.setGeometry(Pixels(line, left), Pixels(line, top) - 1,
                     Pixels(line, right) - Pixels(line, left) + 1, 3);
}

QFont EditorFont(double points, bool bold) {
    if (QFontDatabase::hasFamily(kFontFamily)) {
        QFont font(kFontFamily);
        font.setPointSizeF(points);
        font.setBold(bold);
        return font;
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(points);
    font.setStretch(StandInStretch(font));
    font.setBold(bold);
    return font;
}

QLabel* NewLabel(const char* text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);  // as the layout's label boxes place them
    return label;
}

void SetFieldColour(QWidget& field) {
    QPalette palette = field.palette();
    palette.setColor(QPalette::Base, QColor(kFieldColour));
    field.setPalette(palette);
}

void StyleButton(QPushButton& button, QRgb colour) {
    button.setFont(EditorFont(kButtonPoints, true));
    // A style sheet, since not every platform style paints a button in its palette's colour.
    const QString fill = QColor(colour).name();
    button.setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; border: 2px outset %2; }"
                       "QPushButton:pressed { border-style: inset; }"
                       "QPushButton:focus { outline: 1px dotted black; }")
            .arg(fill, QColor(colour).darker(130).name()));
    // Buttons take the focus on a click everywhere, so leaving a field always comes first.
    button.setFocusPolicy(Qt::StrongFocus);
}

void LimitTyping(QLineEdit& edit, int limit) {
    edit.setMaxLength(limit);
    QObject::connect(&edit, &QLineEdit::textChanged, &edit, [&edit, limit](const QString& text) {
        if (text.size() <= limit) edit.setMaxLength(limit);
    });
}

void SetTextWhole(QLineEdit& edit, const QString& text) {
    if (text.size() > edit.maxLength()) edit.setMaxLength(static_cast<int>(text.size()));
    edit.setText(text);
}

void ShowInFront(QWidget& window) {
    if (!window.isVisible()) {
        window.show();  // a new window comes up in front
    } else {
        if (window.isMinimized()) window.showNormal();
        window.raise();
    }
    window.activateWindow();
}

}  // namespace kdx::editors
