#pragma once

#include <QDialog>
#include <vector>

#include "state/Journal.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace kdx {

class Module10;

// The module journal, newest first, each entry with the module's name text and first number so
// that a module can be recognised. An entry opens as the setup (unedited, a write then sends its
// image byte for byte) or is compared with the current setup field by field.
class HistoryDialog : public QDialog {
    Q_OBJECT
  public:
    explicit HistoryDialog(Module10& state, QWidget* parent = nullptr);

    // Reads the journal again.
    void Fill();
    const std::vector<JournalEntry>& Entries() const { return entries_; }
    // The entry of row `row` as the setup; false (and said) when its image does not decode.
    bool OpenEntry(int row);
    // The fields in which the entry differs from what a write would send now, shown below the list.
    void CompareEntry(int row);

    QTreeWidget* list;
    QPushButton* openButton;
    QPushButton* compareButton;
    QPlainTextEdit* details;  // the comparison, or what could not be read
    QLabel* where;            // the folder, or that recording is off

  private:
    int Current() const;

    Module10& state_;
    std::vector<JournalEntry> entries_;
};

}  // namespace kdx
