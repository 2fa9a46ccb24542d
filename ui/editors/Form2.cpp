#include "ui/editors/Form2.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <utility>

#include "ui/common/Metrics.h"
#include "ui/editors/EditorTexts.h"
#include "ui/editors/EditorWidgets.h"

namespace kdx {
namespace {

using namespace editors;

constexpr double kWindowPoints = 8.25;
constexpr double kHeadingPoints = 12;

template <std::size_t N>
void FillList(QComboBox& combo, const std::array<const char*, N>& items) {
    combo.clear();
    for (const char* item : items) combo.addItem(item);
    combo.setCurrentIndex(-1);  // adding to an empty list selects its first item
}

void FillActions(QComboBox& combo, bool system) {
    if (system) {
        FillList(combo, words::kSystemActions);
    } else {
        FillList(combo, words::kOutputActions);
    }
}

// Exact and case-sensitive; a text not in the list leaves the field empty.
void SelectExact(QComboBox& combo, const std::string& text) {
    combo.setCurrentIndex(combo.findText(QString::fromStdString(text)));
}

QComboBox* NewCombo(QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    // Texts are stored as typed: no completion, and Enter must not extend the list.
    combo->setCompleter(nullptr);
    combo->setInsertPolicy(QComboBox::NoInsert);
    SetFieldColour(*combo);
    return combo;
}

QLineEdit* NewField(QWidget* parent) {
    auto* field = new QLineEdit(parent);
    SetFieldColour(*field);
    return field;
}

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Typed characters other than digits never reach the pulse length field; control keys
// (backspace, delete, tab, editing shortcuts) keep their usual meaning.
bool IsRefusedPulseText(const QString& text) {
    for (const QChar c : text) {
        if (c.isPrint() && !IsDigit(c)) return true;
    }
    return false;
}

bool ExceedsPulseMax(const QString& text) {
    return LeadingNumber(text.toStdString(), 0, texts::kPulseMax + 1) > texts::kPulseMax;
}

}  // namespace

Form2::Form2(SetupDocument& document, QWidget* parent)
    : QWidget(parent, Qt::Window),
      Label6(NewLabel(texts::kCommandHeading, this)),
      Label1(NewLabel(texts::kRowLabel, this)),
      Text1(NewField(this)),
      Check1(new QCheckBox(texts::kConfirm, this)),
      Label2(NewLabel(texts::kSmsLabel, this)),
      Text2(NewField(this)),
      Label3(NewLabel(texts::kOutputLabel, this)),
      Combo1(NewCombo(this)),
      Label4(NewLabel(texts::kActionLabel, this)),
      Combo2(NewCombo(this)),
      Label5(NewLabel(texts::kPulseLabel, this)),
      Text3(NewField(this)),
      Label7(NewLabel(texts::kPulseHint, this)),
      Line1(new QFrame(this)),
      Command1(new QPushButton(texts::kSave, this)),
      Command2(new QPushButton(texts::kBack, this)),
      document_(document) {
    // The window has no title. An empty one would make Qt show the program's name instead; a
    // blank shows nothing.
    setWindowTitle(QStringLiteral(" "));
    setFont(FormFont(kWindowPoints));
    setFixedSize(TwipsToPixels(6915), TwipsToPixels(3480));

    PlaceTwips(Label6, 480, 120, 5895, 375);
    Label6->setFont(FormFont(kHeadingPoints, true));
    Label6->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    PlaceTwips(Label1, 1920, 720, 615, 255);
    PlaceTwips(Text1, 2640, 600, 495, 375);
    Text1->setReadOnly(true);
    PlaceTwips(Check1, 3360, 600, 1815, 375);
    PlaceTwips(Label2, 360, 1320, 1095, 375);
    PlaceTwips(Text2, 1560, 1320, 3015, 285);
    LimitTyping(*Text2, texts::kSmsTextTyping);
    PlaceTwips(Label3, 4680, 1320, 855, 255);
    PlaceTwips(Combo1, 5640, 1320, 1095, 315);
    PlaceTwips(Label4, 960, 1800, 495, 255);
    PlaceTwips(Combo2, 1560, 1680, 1455, 315);
    PlaceTwips(Label5, 3240, 1800, 1215, 375);
    PlaceTwips(Text3, 4440, 1680, 375, 375);
    LimitTyping(*Text3, texts::kPulseTyping);
    // The key filter sees typed characters only; pasted and dropped text must pass this too.
    Text3->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), Text3));
    PlaceTwips(Label7, 5040, 1800, 1695, 255);
    PlaceLine(*Line1, 120, 2640, 6720);
    PlaceTwips(Command1, 2160, 2760, 855, 615);
    StyleButton(*Command1, kSaveColour);
    PlaceTwips(Command2, 3720, 2760, 855, 615);
    StyleButton(*Command2, kBackColour);

    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Combo1);
    setTabOrder(Combo1, Combo2);
    setTabOrder(Combo2, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Text3);
    setTabOrder(Text3, Check1);
    Text1->setFocus();

    Combo1->installEventFilter(this);
    Text3->installEventFilter(this);
    connect(Text3, &QLineEdit::textChanged, this, &Form2::ClampPulseLength);
    connect(Command1, &QPushButton::clicked, this, &Form2::Save);
    connect(Command2, &QPushButton::clicked, this, &QWidget::close);
}

Form2::~Form2() {
    // The children outlive this part of the object; no more handlers from them.
    Combo1->removeEventFilter(this);
    Text3->removeEventFilter(this);
}

void Form2::OpenForRow(int row) {
    const bool active = isVisible() && isActiveWindow();
    // The row goes in first: a platform may activate the window, and so load, while showing it.
    Text1->setText(QString::number(row));
    ShowInFront(*this);
    if (active) LoadRow();  // an active window gets no activation to load on
}

bool Form2::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) LoadRow();
    return QWidget::event(event);
}

void Form2::keyPressEvent(QKeyEvent* event) {
    if (!PressForKey(*event, *this, *Command1, *Command2)) QWidget::keyPressEvent(event);
}

bool Form2::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == Combo1 && type == QEvent::FocusIn) {
        EnterOutput();
    } else if (watched == Combo1 && type == QEvent::FocusOut) {
        // Opening the drop-down list takes the focus into the list: that is no leave.
        const bool toList = static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason ||
                            Combo1->view()->window()->isVisible();
        if (!toList) LeaveOutput();
    } else if (watched == Text3 && type == QEvent::KeyPress) {
        if (IsRefusedPulseText(static_cast<QKeyEvent*>(event)->text())) return true;
    } else if (watched == Text3 && type == QEvent::InputMethod) {
        auto* input = static_cast<QInputMethodEvent*>(event);
        if (IsRefusedPulseText(input->commitString())) input->setCommitString(QString());
    }
    return QWidget::eventFilter(watched, event);
}

int Form2::RowIndex() const {
    bool ok = false;
    const int row = Text1->text().toInt(&ok);
    return ok && row >= 1 && row <= kCommandRows ? row - 1 : -1;
}

void Form2::LoadRow() {
    const int index = RowIndex();
    if (index < 0) return;
    const CommandRow* source = &document_.Setup().commandTable[static_cast<std::size_t>(index)];
    FillList(*Combo1, words::kOutputs);
    SelectExact(*Combo1, source->output);
    FillActions(*Combo2, Combo1->currentText() == words::kSystem);
    SelectExact(*Combo2, source->action);
    SetTextWhole(*Text2, QString::fromStdString(source->smsText));
    Check1->setChecked(source->confirm == words::kYes);
    SetTextWhole(*Text3, QString::fromStdString(source->time));
}

// The focus coming back from the drop-down list is no new entry.
void Form2::EnterOutput() {
    if (std::exchange(outputFocused_, true)) return;
    outputOnEntry_ = Combo1->currentText();
}

// Moving between the two output groups empties the action and offers the other group's list;
// within a group the chosen action stays.
void Form2::LeaveOutput() {
    if (!std::exchange(outputFocused_, false)) return;
    const bool nowSystem = Combo1->currentText() == words::kSystem;
    if (nowSystem != (outputOnEntry_ == words::kSystem)) FillActions(*Combo2, nowSystem);
}

void Form2::ClampPulseLength() {
    if (ExceedsPulseMax(Text3->text())) Text3->setText(QString::number(texts::kPulseMax));
}

void Form2::Save() {
    LeaveOutput();  // a save that took no focus from the output field still regroups first
    if (const int index = RowIndex(); index >= 0) {
        const CommandRow row{Text2->text().toStdString(), Combo1->currentText().toStdString(),
                             Combo2->currentText().toStdString(), Text3->text().toStdString(),
                             Check1->isChecked() ? words::kYes : words::kNo};
        document_.Edit(SetupDocument::kCommands, [&](SetupModel& setup) {
            setup.commandTable[static_cast<std::size_t>(index)] = row;
        });
    }
    close();
}

}  // namespace kdx
