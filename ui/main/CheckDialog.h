#pragma once

#include <QDialog>
#include <vector>

#include "config/SetupCheck.h"

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace kdx {

class Form1;

// The setup check's findings, one a row. Activating one (double-click or Enter) shows its tab
// in the main window and selects its cell or focuses its control; the dialog stays open beside
// the window, so the user can go through them one by one.
class CheckDialog : public QDialog {
    Q_OBJECT
  public:
    explicit CheckDialog(Form1& form, QWidget* parent = nullptr);

    // The findings of the setup as it is now, in place of the ones before.
    void Fill(const std::vector<Finding>& findings);

    QLabel* summary;
    QTreeWidget* list;

  private:
    void GoTo(QTreeWidgetItem* item);

    Form1& form_;
    std::vector<CheckPlace> places_;  // by row of the list
};

}  // namespace kdx
