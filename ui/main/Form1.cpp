#include "ui/main/Form1.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QValidator>
#include <algorithm>

#include "config/BufferText.h"
#include "state/Module10.h"
#include "ui/common/Metrics.h"
#include "ui/editors/EditorHost.h"
#include "ui/main/Frame.h"
#include "ui/main/Grid.h"
#include "ui/main/IoPanel.h"
#include "ui/main/PortChooser.h"
#include "ui/main/TabControl.h"
#include "ui/main/TextBox.h"
#include "ui/main/Texts.h"

namespace kdx {
namespace {

constexpr int kLinkTab = 3;  // "PC <--> GSM Pager", in front at start
constexpr int kProgressMax = 1026;
constexpr int kSliderMax = 25;  // seconds
constexpr int kSliderPage = 5;
constexpr int kSysMax = 255;
constexpr int kSysLength = 3;
constexpr int kCreditCodeLength = 16;  // the field's width in the module's memory
constexpr double kTitlePoints = 13.5;
constexpr double kOutputButtonPoints = 9.75;
const QColor kTitleColour(0, 0, 128);
constexpr const char* kOutputButtonStyle =
    "QPushButton { background-color: rgb(0, 192, 0); border: 2px outset rgb(0, 150, 0); }"
    "QPushButton:pressed { border-style: inset; }";

// The SYS box takes digits only and never more than one byte can hold.
class SysValidator : public QValidator {
  public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override {
        input.removeIf([](QChar c) { return c < '0' || c > '9'; });
        if (input.toInt() > kSysMax) input = QString::number(kSysMax);
        pos = std::min(pos, static_cast<int>(input.size()));
        return Acceptable;
    }
};

template <typename Control>
Control* Put(Control* control, int left, int top, int width, int height) {
    PlaceTwips(control, left, top, width, height);
    return control;
}

QLabel* MakeLabel(const char* text, QWidget* parent, Qt::Alignment horizontal = Qt::AlignLeft,
                  bool wrap = false) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(horizontal | Qt::AlignTop);
    label->setWordWrap(wrap);
    return label;
}

QSlider* MakeSlider(QWidget* parent) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(0, kSliderMax);
    slider->setSingleStep(1);
    slider->setPageStep(kSliderPage);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(1);
    return slider;
}

QPushButton* MakeOutputButton(QWidget* parent) {
    auto* button = new QPushButton(texts::kOn, parent);
    button->setFont(FormFont(kOutputButtonPoints, true));
    button->setStyleSheet(kOutputButtonStyle);
    return button;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

Form1::Form1(Module10& state, PortMap ports, QWidget* parent)
    : Form1(state, nullptr, std::move(ports), parent) {}

Form1::Form1(Module10& state, PortSource& ports, QWidget* parent)
    : Form1(state, &ports, PortMap(QStringList()), parent) {}

// Without a source, the fixed list stands for one.
Form1::Form1(Module10& state, PortSource* source, PortMap ports, QWidget* parent)
    : QWidget(parent), state_(state) {
    editors_ = std::make_unique<EditorHost>(state_.Document(), this);
    BuildLayout();
    ioPanel_ = new IoPanel(
        state_.Document(),
        {Command8, Command9, Command10, Option7, Option8, Option10, Option9, in1, in2}, this);
    if (!source) source = new FixedPorts(std::move(ports), this);
    portChooser_ = new PortChooser(
        state_, *source, {Option1, Option2, Option3, Option4, Option5, Option6}, portOpened, this);
    Connect();
    StartUp();
}

Form1::~Form1() = default;

void Form1::BuildLayout() {
    setWindowTitle(texts::kCaption);
    setFont(FormFont());
    setFixedSize(TwipsToPixels(9510), TwipsToPixels(6300));

    Label3 = Put(MakeLabel(texts::kTitle, this, Qt::AlignHCenter), 120, 0, 9255, 375);
    Label3->setFont(FormFont(kTitlePoints, true));
    QPalette titlePalette = Label3->palette();
    titlePalette.setColor(QPalette::WindowText, kTitleColour);
    Label3->setPalette(titlePalette);
    Label4 = Put(MakeLabel(texts::kSubtitle, this, Qt::AlignHCenter), 120, 360, 9255, 255);

    SSTab1 = Put(new TabControl(this), 120, 960, 9255, 4455);
    QWidget* commandsTab = SSTab1->AddTab(texts::kTabCommands);
    QWidget* phonesTab = SSTab1->AddTab(texts::kTabPhones);
    QWidget* settingsTab = SSTab1->AddTab(texts::kTabSettings);
    QWidget* linkTab = SSTab1->AddTab(texts::kTabLink);
    SSTab1->setCurrentIndex(kLinkTab);

    Command4 = Put(new QPushButton(texts::kBuffToKdx, this), 120, 5520, 975, 255);
    Command14 = Put(new QPushButton(texts::kSetupToBuffer, this), 2640, 5520, 1215, 255);
    Command5 = Put(new QPushButton(texts::kBuffToSetup, this), 3840, 5520, 1335, 255);
    Command7 = Put(new QPushButton(texts::kBuffToWin, this), 5880, 5520, 975, 255);
    Command15 = Put(new QPushButton(texts::kWinToBuff, this), 6840, 5520, 1095, 255);

    bar = Put(new QProgressBar(this), 0, 5760, 9495, 255);
    bar->setRange(0, kProgressMax);
    bar->setValue(0);
    bar->setTextVisible(false);

    StatusBar1 = Put(new QStatusBar(this), 0, 6000, 9510, 300);
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->addWidget(new QLabel(texts::kStatusBanner), 1);

    grid1 = Put(new Grid(21, 6, commandsTab), 360, 900, 8415, 3015);

    // The grid's frame takes the few pixels that its columns need beyond the layout's width.
    grid2 = Put(new Grid(11, 9, phonesTab), 1200, 960, 6705 + 60, 2670);
    udrzeni = Put(new QCheckBox(texts::kCreditKeepAlive, phonesTab), 1320, 3720, 2775, 255);

    Frame6 = Put(new Frame(texts::kInput1, settingsTab), 240, 720, 2295, 1455);
    Label6 = Put(MakeLabel(texts::kInsensitivity, Frame6), 240, 240, 1815, 255);
    in1 = Put(MakeSlider(Frame6), 120, 480, 2055, 255);
    Option7 = Put(new QRadioButton(texts::kAlarmOnClosing, Frame6), 120, 840, 1695, 255);
    Option8 = Put(new QRadioButton(texts::kAlarmOnOpening, Frame6), 120, 1080, 1815, 255);
    Option7->setChecked(true);

    Frame7 = Put(new Frame(texts::kInput2, settingsTab), 2640, 720, 2295, 1455);
    Label7 = Put(MakeLabel(texts::kInsensitivity, Frame7), 240, 240, 1815, 255);
    in2 = Put(MakeSlider(Frame7), 120, 480, 2055, 255);
    Option10 = Put(new QRadioButton(texts::kAlarmOnClosing, Frame7), 120, 840, 1695, 255);
    Option9 = Put(new QRadioButton(texts::kAlarmOnOpening, Frame7), 120, 1080, 1815, 255);
    Option10->setChecked(true);

    Frame8 = Put(new Frame(texts::kCreditCode, settingsTab), 5160, 720, 3975, 1455);
    kredit = Put(new QLineEdit(Frame8), 240, 480, 3495, 375);
    kredit->setMaxLength(kCreditCodeLength);
    Label9 = Put(MakeLabel(texts::kCreditHint, Frame8, Qt::AlignHCenter), 120, 1080, 3735, 255);

    Frame1 = Put(new Frame(texts::kOutputDefaults, settingsTab), 120, 2640, 4695, 1695);
    Label1 = Put(MakeLabel(texts::kOutputNames, Frame1), 120, 360, 2055, 255);
    Command8 = Put(MakeOutputButton(Frame1), 120, 600, 495, 375);
    Command9 = Put(MakeOutputButton(Frame1), 840, 600, 495, 375);
    Command10 = Put(MakeOutputButton(Frame1), 1560, 600, 495, 375);
    Label2 =
        Put(MakeLabel(texts::kOverwriteWarning, Frame1, Qt::AlignLeft, true), 120, 1080, 2655, 375);
    Frame9 = Put(new Frame(texts::kSys, Frame1), 3480, 240, 1095, 1335);
    sys = Put(new QLineEdit(Frame9), 240, 480, 615, 285);
    sys->setAlignment(Qt::AlignCenter);
    sys->setMaxLength(kSysLength);
    sys->setValidator(new SysValidator(sys));
    sys->setReadOnly(true);
    Check1 = Put(new QCheckBox(texts::kUnlock, Frame9), 120, 960, 855, 255);

    Label8 = Put(MakeLabel(texts::kMessageTextsLabel, settingsTab), 4920, 2640, 3015, 255);
    grid3 = Put(new Grid(6, 2, settingsTab), 4920, 2880, 4185, 1455);

    Frame2 = Put(new Frame(texts::kPort, linkTab), 240, 840, 1335, 2295);
    QRadioButton** ports[] = {&Option1, &Option2, &Option3, &Option4, &Option5, &Option6};
    for (int k = 0; k < kPortCount; ++k) {
        *ports[k] =
            Put(new QRadioButton(texts::kPortNames[k], Frame2), 240, 360 + 240 * k, 855, 255);
    }
    Command3 = Put(new QPushButton(texts::kTest, Frame2), 240, 1920, 855, 255);

    Frame4 = Put(new Frame(texts::kActions, linkTab), 1800, 840, 2295, 1575);
    Command1 = Put(new QPushButton(texts::kRead, Frame4), 240, 360, 1815, 375);
    Command2 = Put(new QPushButton(texts::kWrite, Frame4), 240, 960, 1815, 375);

    Frame5 = Put(new Frame(texts::kStatus, linkTab), 4320, 840, 3495, 2295);
    Text2 = Put(new TextBox(Frame5), 120, 240, 3255, 1935);
    Text2->setReadOnly(true);
    Text2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    Frame3 = Put(new Frame(texts::kProcedure, linkTab), 240, 3300, 7575, 855);
    Label5 =
        Put(MakeLabel(texts::kProcedureHint, Frame3, Qt::AlignLeft, true), 720, 240, 6615, 495);

    Text1 = Put(new TextBox(linkTab), 8280, 960, 735, 3015);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Check2 = Put(new QCheckBox(texts::kDebug, linkTab), 8280, 4080, 855, 255);

    ShowHeldValues();
}

void Form1::Connect() {
    connect(Check1, &QCheckBox::clicked, this, &Form1::Check1Click);
    connect(Check2, &QCheckBox::clicked, this, &Form1::Check2Click);
    SetupDocument& document = state_.Document();
    connect(&document, &SetupDocument::Changed, this, &Form1::ShowSetup);
    connect(&state_, &Module10::LogChanged, Text2, &TextBox::SetText);
    connect(&state_, &Module10::Progress, bar, &QProgressBar::setValue);
    auto edit = [&document](auto change) { document.Edit(SetupDocument::kHeld, change); };
    connect(sys, &QLineEdit::textEdited, this, [edit](const QString& text) {
        edit([&text](SetupModel& setup) { setup.sysValue = text.toStdString(); });
    });
    connect(kredit, &QLineEdit::textEdited, this, [edit](const QString& text) {
        edit([&text](SetupModel& setup) { setup.creditCode = text.toStdString(); });
    });
    connect(udrzeni, &QCheckBox::clicked, this, [edit](bool checked) {
        edit([checked](SetupModel& setup) { setup.creditKeepAlive = checked; });
    });

    connect(grid1, &Grid::DblClick, this,
            [this](int row, int) { editors_->Grid1DoubleClick(row); });
    connect(grid2, &Grid::DblClick, this,
            [this](int row, int col) { editors_->Grid2DoubleClick(row, col); });
    connect(grid2, &Grid::SpacePress, this,
            [this](int row, int col) { editors_->Grid2SpacePress(row, col); });
    connect(grid3, &Grid::DblClick, this,
            [this](int row, int) { editors_->Grid3DoubleClick(row); });
    connect(Command1, &QPushButton::clicked, this, [this] { state_.Read(); });
    connect(Command2, &QPushButton::clicked, this, [this] { state_.Write(); });
    connect(Command3, &QPushButton::clicked, this, [this] { state_.Test(); });
    connect(Command4, &QPushButton::clicked, this, [this] { state_.RawWrite(); });
    connect(Command7, &QPushButton::clicked, this, &Form1::BuffToWin);
    connect(Command15, &QPushButton::clicked, this, &Form1::WinToBuff);

    connect(Command14, &QPushButton::clicked, this, [this] { state_.EncodeSetup(); });
    connect(Command5, &QPushButton::clicked, this, [this] {
        if (!state_.DecodeBuffer()) LogMessage(texts::kDecodeFailed);
    });
}

void Form1::StartUp() {
    state_.LogStarted();
    Check2Click();
    InitGrids();
    state_.ResetCommandTable();
    ioPanel_->CollectIoPanel(false);
    state_.ResetMessageTexts();
    IoPanel::ShowOutputState(Command8, 0);
    IoPanel::ShowOutputState(Command9, 0);
    IoPanel::ShowOutputState(Command10, 0);
    // The buttons now read "0" while the byte was collected from "1": collect again, so that a
    // write right after start stores what the user sees (0x7C).
    ioPanel_->CollectIoPanel(false);
    ShowCommandTable();
    ShowPhoneList();
    ShowMessageTexts();
    ProbePorts();
}

void Form1::InitGrids() {
    const int commandWidths[] = {300, 3742, 900, 1140, 900, 1140};
    for (int c = 0; c < grid1->Cols(); ++c) {
        grid1->SetColWidth(c, commandWidths[c]);
        grid1->SetTextMatrix(0, c, texts::kCommandTitles[c]);
    }
    for (int c = 0; c < grid2->Cols(); ++c) {
        grid2->SetColWidth(c, c == 0 ? 300 : c == 1 ? 2000 : 630);
        if (c >= 2) grid2->SetColAlignment(c, Qt::AlignCenter);
        grid2->SetTextMatrix(0, c, texts::kPhoneTitles[c]);
    }
    grid3->SetColWidth(0, 1500);
    grid3->SetColWidth(1, 2000);
    grid3->SetTextMatrix(0, 0, texts::kTextTitles[0]);
    grid3->SetTextMatrix(0, 1, texts::kTextTitles[1]);
    for (int r = 1; r < grid3->Rows(); ++r)
        grid3->SetTextMatrix(r, 0, texts::kTextRowTitles[r - 1]);
}

void Form1::ShowCommandTable() {
    for (int i = 0; i < kCommandRows; ++i) {
        const CommandRow& row = state_.Setup().commandTable[static_cast<std::size_t>(i)];
        grid1->SetTextMatrix(i + 1, 0, QString::number(i + 1));
        grid1->SetTextMatrix(i + 1, 1, ' ' + Q(row.smsText));
        for (int c = 2; c < grid1->Cols(); ++c) grid1->SetTextMatrix(i + 1, c, Q(row.Cell(c - 1)));
    }
}

void Form1::ShowPhoneList() {
    for (int i = 0; i < kPhoneEntries; ++i) {
        const PhoneEntry& entry = state_.Setup().phoneList[static_cast<std::size_t>(i)];
        grid2->SetTextMatrix(i + 1, 0, QString::number(i + 1));
        grid2->SetTextMatrix(i + 1, 1, ' ' + Q(entry.number));
        for (int c = 2; c < grid2->Cols(); ++c)
            grid2->SetTextMatrix(i + 1, c, Q(entry.Cell(c - 1)));
    }
}

void Form1::ShowMessageTexts() {
    for (int i = 0; i < kMessageTexts; ++i) {
        grid3->SetTextMatrix(i + 1, 1, Q(state_.Setup().messageTexts.Text(i)));
    }
}

void Form1::CollectIoPanel() { ioPanel_->CollectIoPanel(); }

void Form1::ShowIoPanel() { ioPanel_->ShowIoPanel(); }

// A value the user is typing is shown already: setting it again would move the cursor.
void Form1::ShowHeldValues() {
    const SetupModel& setup = state_.Setup();
    if (sys->text() != Q(setup.sysValue)) sys->setText(Q(setup.sysValue));
    if (kredit->text() != Q(setup.creditCode)) kredit->setText(Q(setup.creditCode));
    udrzeni->setChecked(setup.creditKeepAlive);
}

void Form1::LogMessage(const QString& message) { state_.LogMessage(message.toStdString()); }

void Form1::ShowSetup(int parts) {
    if (parts & SetupDocument::kHeld) ShowHeldValues();
    if (parts & SetupDocument::kCommands) ShowCommandTable();
    if (parts & SetupDocument::kPhones) ShowPhoneList();
    if (parts & SetupDocument::kTexts) ShowMessageTexts();
    if (parts & SetupDocument::kPanel) ShowIoPanel();
}

void Form1::ProbePorts() { portChooser_->ProbePorts(); }

void Form1::RefreshPorts() { portChooser_->RefreshPorts(); }

void Form1::Check1Click() {
    if (Check1->checkState() == Qt::Checked) sys->setReadOnly(false);
    if (Check1->checkState() == Qt::Unchecked) sys->setReadOnly(true);
}

void Form1::Check2Click() {
    QWidget* const tools[] = {Text1, Command4, Command14, Command7, Command5, Command15};
    if (Check2->checkState() == Qt::Checked) {
        for (QWidget* tool : tools) tool->show();
    }
    if (Check2->checkState() == Qt::Unchecked) {
        for (QWidget* tool : tools) tool->hide();
    }
}

void Form1::BuffToWin() {
    if (const auto problem = BufferSizeMessage(state_.Buffer())) LogMessage(Q(*problem));
    Text1->SetText(Text1->Text() + Q(BufferToText(state_.Buffer())));
}

void Form1::WinToBuff() {
    // The buffer is replaced only when the whole text reads as the module's memory.
    ConfigBuffer image = state_.Buffer();
    if (const auto problem = TextToBuffer(Text1->Text().toStdString(), image)) {
        LogMessage(Q(*problem));
    } else {
        state_.SetBuffer(std::move(image));
    }
}

}  // namespace kdx
