#pragma once

#include <QPlainTextEdit>
#include <QString>

namespace kdx {

// A multi-line text box whose text separates its lines with CR LF, as the log and the buffer
// text window store them; every line break the box shows is one CR LF of the text.
class TextBox : public QPlainTextEdit {
    Q_OBJECT

  public:
    using QPlainTextEdit::QPlainTextEdit;

    QString Text() const;
    void SetText(const QString& text);
};

}  // namespace kdx
