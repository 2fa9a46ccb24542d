#include "ui/editors/EditorHost.h"

#include <utility>

#include "ui/editors/EditorWidgets.h"
#include "ui/editors/FlagToggle.h"

namespace kdx {
namespace {

constexpr int kNumberColumn = 1;
constexpr int kLastFlagColumn = 7 + 1;  // flagMonitor; flagBit4 has no column

// A window that was closed but not yet deleted counts as closed.
template <typename Form>
Form* IfOpen(const QPointer<Form>& form) {
    return form && form->isVisible() ? form.data() : nullptr;
}

}  // namespace

EditorHost::EditorHost(SetupModel& setup, EditorViews views, QWidget* owner)
    : setup(setup), views(std::move(views)), owner(owner) {}

EditorHost::~EditorHost() {
    // Neither window may outlive the setup it edits.
    delete form2.data();
    delete form3.data();
}

Form2* EditorHost::CommandEditor() const { return IfOpen(form2); }
Form3* EditorHost::TextEditor() const { return IfOpen(form3); }

void EditorHost::Grid1DoubleClick(int row) {
    if (row < 1 || row > kCommandRows) return;
    if (!CommandEditor()) {
        form2 = new Form2(setup, views.showCommandTable, owner);
        form2->setAttribute(Qt::WA_DeleteOnClose);
    }
    form2->OpenForRow(row);
}

void EditorHost::Grid2DoubleClick(int row, int col) {
    if (row < 1 || row > kPhoneEntries) return;
    if (col == kNumberColumn) {
        editTarget = EditTarget::PhoneNumber;
        OpenTextEditor(row);
    } else if (col > kNumberColumn && col <= kLastFlagColumn) {
        std::string& flag = setup.phoneList[static_cast<std::size_t>(row - 1)].Cell(col - 1);
        flag = ToggledFlag(flag);
        if (views.showPhoneList) views.showPhoneList();
    }
}

void EditorHost::Grid3DoubleClick(int row) {
    if (row < 1 || row > kMessageTexts) return;
    editTarget = EditTarget::MessageText;
    OpenTextEditor(row);
}

// An open editor only comes to the front: it keeps the entry it was opened for.
void EditorHost::OpenTextEditor(int row) {
    if (!TextEditor()) {
        form3 =
            new Form3(setup, editTarget, row, views.showPhoneList, views.showMessageTexts, owner);
        form3->setAttribute(Qt::WA_DeleteOnClose);
    }
    editors::ShowInFront(*form3);
}

}  // namespace kdx
