#include "ui/editors/EditorWidgets.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/common/Metrics.h"

namespace kdx::editors {
namespace {
constexpr double kButtonPoints = 9.75;
}  // namespace

void PlaceLine(QFrame& line, int left, int top, int right) {
    line.setFrameShape(QFrame::HLine);
    line.setFrameShadow(QFrame::Plain);
    // The frame draws its line through the middle of its 3-pixel height.
    line.setGeometry(TwipsToPixels(left), TwipsToPixels(top) - 1,
                     TwipsToPixels(right) - TwipsToPixels(left) + 1, 3);
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
    button.setFont(FormFont(kButtonPoints, true));
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

bool PressForKey(const QKeyEvent& event, QWidget& window, QPushButton& save, QPushButton& back) {
    // The repeats of a held Enter that opened this window from a grid come here too.
    if (event.isAutoRepeat()) return false;
    QPushButton* pressed = nullptr;
    if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) {
        pressed = qobject_cast<QPushButton*>(window.focusWidget());
        if (!pressed) pressed = &save;
    } else if (event.key() == Qt::Key_Escape) {
        pressed = &back;
    } else {
        return false;
    }
    pressed->click();
    return true;
}

}  // namespace kdx::editors
