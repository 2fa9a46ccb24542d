#pragma once

#include <QFileDialog>
#include <QMainWindow>

#include "state/Ports.h"

class QAction;
class QMenu;
class QPrinter;

namespace kdx {

class CheckDialog;
class HistoryDialog;
class Form1;
class Module10;

// The program's window: the main window's client area, exactly as laid out, under a menu bar
// that opens and saves setup files and tells about the program. A file dropped on the window
// is opened too.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(Module10& state, PortMap ports = PortMap(), QWidget* parent = nullptr);
    // The port options follow the devices that come and go; the source must outlive the window.
    MainWindow(Module10& state, PortSource& ports, QWidget* parent = nullptr);

    Form1& Client() const { return *form_; }

    // A file of any of the three formats. It is checked whole first: a refused one changes
    // nothing and the log says why; an accepted one becomes the buffer and the setup, shown as
    // after a read. False when refused.
    bool OpenFile(const QString& path);
    // The setup, saved safely; the log says how it went. False when the file could not be
    // written (an old one is left as it was).
    bool SaveFile(const QString& path);

    // The setup sheet printed on a printer the user chose; false when the printer failed.
    bool PrintSheet(QPrinter& printer);
    // The setup sheet saved as a PDF; the log says how it went.
    bool SaveSheetPdf(const QString& path);

    QAction* openAction;
    QMenu* recentMenu;  // the files opened or saved last, filled when it opens
    QAction* saveAsAction;
    QAction* historyAction;
    QAction* historyOnAction;  // checked: reads and writes are kept in the journal
    QAction* printAction;
    QAction* sheetPdfAction;
    QAction* quitAction;
    QAction* refreshPortsAction;
    QAction* checkAction;
    QAction* aboutAction;

  protected:
    // Closing waits for a running write to end (any way: Konec, Ctrl+Q, the title bar).
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    MainWindow(Module10& state, Form1* form, QWidget* parent);
    QString AskForFile(QFileDialog::AcceptMode mode, const QString& filters,
                       QString* chosenFilter = nullptr, const QString& title = {});
    void Open();
    void SaveAs();
    void FillRecentMenu();
    void Print();
    void AskSheetPdf();
    // The open file's name, "*" after an edit since it was opened or saved.
    void ShowTitle();
    void About();
    // Checks the setup; the findings' dialog stays open beside the window and follows every edit.
    void Check();
    // The module journal; it reads the journal again each time it is shown.
    void History();

    Module10& state_;
    Form1* form_;
    CheckDialog* check_ = nullptr;      // made on first use
    HistoryDialog* history_ = nullptr;  // made on first use
    bool closeAfterWrite_ = false;
};

}  // namespace kdx
