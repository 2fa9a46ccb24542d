#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "state/SetupDocument.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kdx {

// What the text editor edits.
enum class EditTarget { PhoneNumber = 1, MessageText = 2 };

// The phone number and message text editor: one text, chosen when the window is created and
// kept until it closes. Modeless; closing it discards everything it holds.
class Form3 : public QWidget {
    Q_OBJECT

  public:
    // row is the view's row, 1-based: phone entry or message text row - 1. A save is an edit of
    // the document, whose views follow it.
    Form3(SetupDocument& document, EditTarget target, int row, QWidget* parent = nullptr);

    EditTarget Target() const { return target_; }
    int Row() const { return row_; }

    QLabel* const Label1;  // heading
    QLabel* const Label2;  // what is edited
    QLineEdit* const Text1;
    QFrame* const Line1;
    QPushButton* const Command1;  // "Uložit"
    QPushButton* const Command2;  // "Zpět"

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Save();

    SetupDocument& document_;
    const EditTarget target_;
    const int row_;
};

}  // namespace kdx
