#pragma once

#include <QString>
#include <QWidget>
#include <functional>

#include "state/SetupDocument.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kdx {

// The command row editor: one row of the SMS command table, loaded afresh each time the window
// becomes active, written back on "Uložit". Modeless; closing it discards everything it holds.
class Form2 : public QWidget {
    Q_OBJECT

  public:
    // A save is an edit of the document, whose views follow it.
    explicit Form2(SetupDocument& document, QWidget* parent = nullptr);
    ~Form2() override;

    // Shows the editor (or brings it to the front) and names the row, 1 to 20, that the next
    // activation loads.
    void OpenForRow(int row);

    QLabel* const Label6;  // heading
    QLabel* const Label1;
    QLineEdit* const Text1;   // the row number; the only link from the opening double-click
    QCheckBox* const Check1;  // confirm by ringing back: "ANO" / "NE"
    QLabel* const Label2;
    QLineEdit* const Text2;  // SMS text
    QLabel* const Label3;
    QComboBox* const Combo1;  // output
    QLabel* const Label4;
    QComboBox* const Combo2;  // action
    QLabel* const Label5;
    QLineEdit* const Text3;  // pulse length in seconds
    QLabel* const Label7;    // pulse length hint
    QFrame* const Line1;
    QPushButton* const Command1;  // "Uložit"
    QPushButton* const Command2;  // "Zpět"

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int RowIndex() const;  // the setup's index of the row named in the row field, or -1
    void LoadRow();
    void EnterOutput();
    void LeaveOutput();
    void ClampPulseLength();
    void Save();

    SetupDocument& document_;
    QString outputOnEntry_;       // the output field's text when it last received the focus
    bool outputFocused_ = false;  // the output field has the focus and has not been left yet
};

}  // namespace kdx
