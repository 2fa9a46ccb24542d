#pragma once

#include <QPlainTextEdit>
#include <QString>

namespace kdx {

// A multi-line text box whose text separates its lines with CR LF, as the log and the buffer
// text window store them; every line break the box shows is one CR LF of the text. It marks
// its focus as the style marks a focused button's: a read-only box has no caret to show it.
class TextBox : public QPlainTextEdit {
    Q_OBJECT

  public:
    explicit TextBox(QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace kdx
