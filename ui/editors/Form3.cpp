#include "ui/editors/Form3.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <utility>

#include "ui/common/Metrics.h"
#include "ui/editors/EditorTexts.h"
#include "ui/editors/EditorWidgets.h"

namespace kdx {
namespace {
using namespace editors;
constexpr double kWindowPoints = 8.25;
constexpr double kHeadingPoints = 12;
// The text a row stands for, or nullptr for a row outside the list; const as the setup is.
template <typename Model>
auto EntryIn(Model& setup, EditTarget target, int row) -> decltype(&setup.phoneList[0].number) {
    if (target == EditTarget::MessageText) {
        return row >= 1 && row <= kMessageTexts ? &setup.messageTexts.Text(row - 1) : nullptr;
    }
    return row >= 1 && row <= kPhoneEntries
               ? &setup.phoneList[static_cast<std::size_t>(row - 1)].number
               : nullptr;
}

}  // namespace

Form3::Form3(SetupDocument& document, EditTarget target, int row, QWidget* parent)
    : QWidget(parent, Qt::Window),
      Label1(NewLabel(texts::kTextHeading, this)),
      Label2(NewLabel(
          target == EditTarget::MessageText ? texts::kMessageLabel : texts::kNumberLabel, this)),
      Text1(new QLineEdit(this)),
      Line1(new QFrame(this)),
      Command1(new QPushButton(texts::kSave, this)),
      Command2(new QPushButton(texts::kBack, this)),
      document_(document),
      target_(target),
      row_(row) {
    setWindowTitle(texts::kTextEditorTitle);
    setFont(FormFont(kWindowPoints));
    setFixedSize(TwipsToPixels(4680), TwipsToPixels(2355));

    PlaceTwips(Label1, 120, 120, 4455, 375);
    Label1->setFont(FormFont(kHeadingPoints));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    PlaceTwips(Label2, 1680, 720, 1335, 255);
    PlaceTwips(Text1, 840, 960, 3135, 285);
    SetFieldColour(*Text1);
    LimitTyping(*Text1, texts::kTextTyping);
    PlaceLine(*Line1, 120, 1440, 4560);
    PlaceTwips(Command1, 960, 1560, 975, 615);
    StyleButton(*Command1, kSaveColour);
    PlaceTwips(Command2, 2880, 1560, 975, 615);
    StyleButton(*Command2, kBackColour);

    setTabOrder(Text1, Command1);
    setTabOrder(Command1, Command2);
    Text1->setFocus();

    // A stored text may be one character longer than can be typed; it loads and saves whole.
    if (const std::string* entry = EntryIn(document_.Setup(), target_, row_))
        SetTextWhole(*Text1, QString::fromStdString(*entry));

    connect(Command1, &QPushButton::clicked, this, &Form3::Save);
    connect(Command2, &QPushButton::clicked, this, &QWidget::close);
}

void Form3::keyPressEvent(QKeyEvent* event) {
    if (!PressForKey(*event, *this, *Command1, *Command2)) QWidget::keyPressEvent(event);
}

void Form3::Save() {
    const std::string text = Text1->text().toStdString();
    const int parts =
        target_ == EditTarget::MessageText ? SetupDocument::kTexts : SetupDocument::kPhones;
    if (EntryIn(document_.Setup(), target_, row_)) {
        document_.Edit(parts, [&](SetupModel& setup) { *EntryIn(setup, target_, row_) = text; });
    }
    close();
}

}  // namespace kdx
