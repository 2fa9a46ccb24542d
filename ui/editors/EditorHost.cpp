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

EditorHost::EditorHost(SetupDocument& document, QWidget* owner)
    : document_(document), owner_(owner) {}

EditorHost::~EditorHost() {
    // Neither window may outlive the setup it edits.
    delete form2_.data();
    delete form3_.data();
}

Form2* EditorHost::CommandEditor() const { return IfOpen(form2_); }
Form3* EditorHost::TextEditor() const { return IfOpen(form3_); }

void EditorHost::Grid1DoubleClick(int row) {
    if (row < 1 || row > kCommandRows) return;
    if (!CommandEditor()) {
        form2_ = new Form2(document_, owner_);
        form2_->setAttribute(Qt::WA_DeleteOnClose);
    }
    form2_->OpenForRow(row);
}

void EditorHost::Grid2DoubleClick(int row, int col) {
    if (row < 1 || row > kPhoneEntries) return;
    if (col == kNumberColumn) {
        editTarget_ = EditTarget::PhoneNumber;
        OpenTextEditor(row);
    } else {
        Grid2SpacePress(row, col);
    }
}

void EditorHost::Grid2SpacePress(int row, int col) {
    if (row < 1 || row > kPhoneEntries || col <= kNumberColumn || col > kLastFlagColumn) return;
    document_.Edit(SetupDocument::kPhones, [row, col](SetupModel& setup) {
        std::string& flag = setup.phoneList[static_cast<std::size_t>(row - 1)].Cell(col - 1);
        flag = ToggledFlag(flag);
    });
}

void EditorHost::Grid3DoubleClick(int row) {
    if (row < 1 || row > kMessageTexts) return;
    editTarget_ = EditTarget::MessageText;
    OpenTextEditor(row);
}

// An open editor only comes to the front: it keeps the entry it was opened for.
void EditorHost::OpenTextEditor(int row) {
    if (!TextEditor()) {
        form3_ = new Form3(document_, editTarget_, row, owner_);
        form3_->setAttribute(Qt::WA_DeleteOnClose);
    }
    editors::ShowInFront(*form3_);
}

}  // namespace kdx
