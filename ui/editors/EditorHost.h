#pragma once

#include <QPointer>
#include <functional>

#include "config/SetupModel.h"
#include "ui/editors/Form2.h"
#include "ui/editors/Form3.h"

namespace kdx {

// The main window's view refreshes that the editors call after a change.
struct EditorViews {
    std::function<void()> showCommandTable;
    std::function<void()> showPhoneList;
    std::function<void()> showMessageTexts;
};

// The main window's side of the editors: what a double-click on each grid does. Each editor
// exists while it is open; closing it deletes it, so the next opening starts from a new window.
class EditorHost {
  public:
    // owner (the main window) parents the editor windows; the setup must outlive the host.
    EditorHost(SetupModel& setup, EditorViews views, QWidget* owner = nullptr);
    ~EditorHost();
    EditorHost(const EditorHost&) = delete;
    EditorHost& operator=(const EditorHost&) = delete;

    // Each takes the grid's current cell, the one the double-click's first click selected.
    void Grid1DoubleClick(int row);           // the command row editor for that row
    void Grid2DoubleClick(int row, int col);  // number: the text editor; flag: toggle it
    void Grid3DoubleClick(int row);           // the text editor for that message text
    void Grid2SpacePress(int row, int col);   // flag: toggle it, as a double-click does

    // The open editors, or nullptr.
    Form2* CommandEditor() const;
    Form3* TextEditor() const;

  private:
    void OpenTextEditor(int row);

    SetupModel& setup_;
    EditorViews views_;
    QWidget* owner_;
    QPointer<Form2> form2_;
    QPointer<Form3> form3_;
    EditTarget editTarget_ = EditTarget::PhoneNumber;  // stays set between openings
};

}  // namespace kdx
