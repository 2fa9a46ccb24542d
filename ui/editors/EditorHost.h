#pragma once

#include <QPointer>
#include <functional>

#include "state/SetupDocument.h"
#include "ui/editors/Form2.h"
#include "ui/editors/Form3.h"

namespace kdx {

// The main window's side of the editors: what a double-click on each grid does. Each editor
// exists while it is open; closing it deletes it, so the next opening starts from a new window.
class EditorHost {
  public:
    // owner (the main window) parents the editor windows; the document must outlive the host.
    explicit EditorHost(SetupDocument& document, QWidget* owner = nullptr);
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

    SetupDocument& document_;
    QWidget* owner_;
    QPointer<Form2> form2_;
    QPointer<Form3> form3_;
    EditTarget editTarget_ = EditTarget::PhoneNumber;  // stays set between openings
};

}  // namespace kdx
