#pragma once

#include <QWidget>
#include <memory>

#include "state/Module10.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QStatusBar;

namespace kdx {

class EditorHost;
class Grid;
class IoPanel;
class PortChooser;
class TabControl;
class TextBox;

// The main window: the three tables, the input/output and credit panel, the port choice, the
// transfer buttons, the activity log and the debug tools. Its controls are public under their
// layout names so that the other windows and the transfers can reach them.
class Form1 : public QWidget {
    Q_OBJECT

  public:
    // ports names the devices behind COM1 to COM6 (the machine's own unless a test says else).
    explicit Form1(Module10& state, PortMap ports = PortMap(), QWidget* parent = nullptr);
    // The port options follow the devices that come and go; the source must outlive the window.
    Form1(Module10& state, PortSource& ports, QWidget* parent = nullptr);
    ~Form1() override;

    // Column widths and titles of the three grids.
    void InitGrids();

    // Refill the grids from the setup.
    void ShowCommandTable();
    void ShowPhoneList();
    void ShowMessageTexts();

    // Panel -> setup: the input settings and the default-outputs byte.
    void CollectIoPanel();
    // Setup -> panel, running none of the panel's handlers.
    void ShowIoPanel();
    // Setup -> sys, kredit and udrzeni, the values the setup shares with those controls.
    void ShowHeldValues();
    // The parts of the setup that changed into the grids, the panel and those three controls.
    void ShowSetup(int parts = SetupDocument::kAll);

    // One time-stamped line at the top of the activity log.
    void LogMessage(const QString& message);

    // Greys the options of the ports that cannot be opened and closed; leaves none open.
    void ProbePorts();
    // Every port probed again but the open one, also those greyed as in use.
    void RefreshPorts();

    QLabel* Label3;  // title
    QLabel* Label4;  // subtitle
    TabControl* SSTab1;
    QPushButton* Command4;   // buff to KDX
    QPushButton* Command14;  // setup to buffer
    QPushButton* Command5;   // buff to setup
    QPushButton* Command7;   // buff to win
    QPushButton* Command15;  // win to buff
    QProgressBar* bar;       // transfer progress
    int portOpened = 0;      // set by the first port choice: a later one closes the port first
    QStatusBar* StatusBar1;

    // Tab 1 "Tabulka SMS Povelů".
    Grid* grid1;  // command table

    // Tab 2 "Telefonní seznam".
    Grid* grid2;         // phone list
    QCheckBox* udrzeni;  // phone entry 10 keeps the credit

    // Tab 3 "Nastavení".
    QGroupBox* Frame6;  // IN1
    QLabel* Label6;
    QSlider* in1;           // IN1 insensitivity, seconds
    QRadioButton* Option7;  // IN1 alarm on closing
    QRadioButton* Option8;  // IN1 alarm on opening
    QGroupBox* Frame7;      // IN2
    QLabel* Label7;
    QSlider* in2;            // IN2 insensitivity, seconds
    QRadioButton* Option10;  // IN2 alarm on closing
    QRadioButton* Option9;   // IN2 alarm on opening
    QGroupBox* Frame8;       // operator code
    QLineEdit* kredit;       // operator's code for the KREDIT function
    QLabel* Label9;          // operator code hint
    QGroupBox* Frame1;       // default output states
    QLabel* Label1;          // output names
    QPushButton* Command8;   // RELE1 default state
    QPushButton* Command9;   // RELE2 default state
    QPushButton* Command10;  // BYPASS default state
    QLabel* Label2;          // overwrite warning
    QGroupBox* Frame9;       // SYS
    QLineEdit* sys;          // SYS value
    QCheckBox* Check1;       // unlock sys
    QLabel* Label8;          // sent SMS texts
    Grid* grid3;             // sent SMS texts

    // Tab 4 "PC <--> GSM Pager".
    QGroupBox* Frame2;  // port
    QRadioButton* Option1;
    QRadioButton* Option2;
    QRadioButton* Option3;
    QRadioButton* Option4;
    QRadioButton* Option5;
    QRadioButton* Option6;
    QPushButton* Command3;  // TEST
    QGroupBox* Frame4;      // actions
    QPushButton* Command1;  // read from the module
    QPushButton* Command2;  // write to the module
    QGroupBox* Frame5;      // status
    TextBox* Text2;         // activity log
    QGroupBox* Frame3;      // procedure
    QLabel* Label5;         // procedure hint
    TextBox* Text1;         // buffer text window
    QCheckBox* Check2;      // debug

    // The editor windows that the grids' double-clicks open.
    EditorHost& Editors() { return *editors_; }

  private:
    Form1(Module10& state, PortSource* source, PortMap ports, QWidget* parent);
    void BuildLayout();
    void Connect();
    void StartUp();

    void Check1Click();
    void Check2Click();
    void BuffToWin();
    void WinToBuff();

    Module10& state_;
    std::unique_ptr<EditorHost> editors_;
    IoPanel* ioPanel_ = nullptr;
    PortChooser* portChooser_ = nullptr;
};

}  // namespace kdx
