#include "ui/main/TextBox.h"

namespace kdx {
namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kLf = QStringLiteral("\n");
}  // namespace

QString TextBox::Text() const { return toPlainText().replace(kLf, kCrLf); }

void TextBox::SetText(const QString& text) { setPlainText(QString(text).replace(kCrLf, kLf)); }

}  // namespace kdx
