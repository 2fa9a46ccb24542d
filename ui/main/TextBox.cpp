#include "ui/main/TextBox.h"

#include <QPainter>
#include <QStyleOptionFocusRect>

namespace kdx {

// Tab moves on to the next control: neither the log nor a column of byte values holds tabs.
TextBox::TextBox(QWidget* parent) : QPlainTextEdit(parent) { setTabChangesFocus(true); }
namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kLf = QStringLiteral("\n");
}  // namespace

QString TextBox::Text() const { return toPlainText().replace(kLf, kCrLf); }

void TextBox::SetText(const QString& text) { setPlainText(QString(text).replace(kCrLf, kLf)); }

void TextBox::paintEvent(QPaintEvent* event) {
    QPlainTextEdit::paintEvent(event);
    if (!hasFocus()) return;
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = viewport()->rect();
    QPainter painter(viewport());
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
}

// The text's own repaint on a focus change covers the caret at most.
void TextBox::focusInEvent(QFocusEvent* event) {
    QPlainTextEdit::focusInEvent(event);
    viewport()->update();
}

void TextBox::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    viewport()->update();
}

}  // namespace kdx
