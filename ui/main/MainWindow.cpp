#include "ui/main/MainWindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QShortcut>

#include "config/SetupCheck.h"
#include "files/ImageFile.h"
#include "sheet/SetupSheet.h"
#include "state/Module10.h"
#include "ui/main/CheckDialog.h"
#include "ui/main/Form1.h"
#include "ui/main/HistoryDialog.h"
#include "ui/main/RecentFiles.h"
#include "ui/main/Texts.h"

namespace kdx {
namespace {

// The formats by name, the first one the default for saving.
const QString kFileFilters =
    QString(texts::kFilterJson) + ";;" + texts::kFilterBin + ";;" + texts::kFilterTxt;

// The local file a drag carries, if it carries exactly one.
QString DroppedFile(const QMimeData* data) {
    if (!data || data->urls().size() != 1 || !data->urls().front().isLocalFile()) return {};
    return data->urls().front().toLocalFile();
}

// The ending of the chosen filter ("Nastavení (*.json)" gives ".json").
QString FilterEnding(const QString& filter) {
    const qsizetype star = filter.lastIndexOf("*.");
    return star < 0 ? QString() : filter.mid(star + 1).chopped(1);
}

}  // namespace

MainWindow::MainWindow(Module10& state, PortMap ports, QWidget* parent)
    : MainWindow(state, new Form1(state, std::move(ports)), parent) {}

MainWindow::MainWindow(Module10& state, PortSource& ports, QWidget* parent)
    : MainWindow(state, new Form1(state, ports), parent) {}

MainWindow::MainWindow(Module10& state, Form1* form, QWidget* parent)
    : QMainWindow(parent), state_(state), form_(form) {
    setCentralWidget(form_);
    ShowTitle();
    connect(&state_.Document(), &SetupDocument::StatusChanged, this, &MainWindow::ShowTitle);
    QIcon icon;
    for (int size : {16, 32, 48, 64, 256}) icon.addFile(QString(":/icons/%1.png").arg(size));
    setWindowIcon(icon);
    setAcceptDrops(true);

    QMenu* file = menuBar()->addMenu(texts::kMenuFile);
    openAction = file->addAction(texts::kMenuOpen, QKeySequence::Open, this, &MainWindow::Open);
    recentMenu = file->addMenu(texts::kMenuRecent);
    connect(recentMenu, &QMenu::aboutToShow, this, &MainWindow::FillRecentMenu);
    FillRecentMenu();
    saveAsAction =
        file->addAction(texts::kMenuSaveAs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this,
                        &MainWindow::SaveAs);
    file->addSeparator();
    printAction = file->addAction(texts::kMenuPrint, QKeySequence::Print, this, &MainWindow::Print);
    sheetPdfAction = file->addAction(texts::kMenuSheetPdf, this, &MainWindow::AskSheetPdf);
    file->addSeparator();
    historyAction = file->addAction(texts::kMenuHistory, this, &MainWindow::History);
    historyOnAction = file->addAction(texts::kMenuHistoryOn, &Journal::SetEnabled);
    historyOnAction->setCheckable(true);
    historyOnAction->setChecked(Journal::Enabled());
    file->addSeparator();
    quitAction = file->addAction(texts::kMenuQuit, QKeySequence(Qt::CTRL | Qt::Key_Q), this,
                                 &QWidget::close);
    // The ports have a menu of their own: they are no file, and the window's frame of them is
    // "PORT" too.
    QMenu* port = menuBar()->addMenu(texts::kMenuPort);
    refreshPortsAction = port->addAction(texts::kMenuRefreshPorts, QKeySequence(Qt::Key_F5), form_,
                                         &Form1::RefreshPorts);
    QMenu* tools = menuBar()->addMenu(texts::kMenuTools);
    checkAction = tools->addAction(texts::kMenuCheck, QKeySequence(Qt::CTRL | Qt::Key_K), this,
                                   &MainWindow::Check);
    QMenu* help = menuBar()->addMenu(texts::kMenuHelp);
    aboutAction = help->addAction(texts::kMenuAbout, this, &MainWindow::About);

    // F10 opens the menu bar as in other desktop programs; Alt and the underlined letters work
    // through the menus' own texts.
    connect(new QShortcut(Qt::Key_F10, this), &QShortcut::activated, this,
            [this] { menuBar()->setActiveAction(menuBar()->actions().front()); });

    // The client area keeps its size; the menu bar comes on top of it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

bool MainWindow::OpenFile(const QString& path) {
    FileError error;
    if (!state_.OpenFile(path, error)) {
        state_.LogMessage(QString(texts::kOpenFailed).arg(error.message).toStdString());
        return false;
    }
    state_.LogMessage(QString(texts::kOpened).arg(QFileInfo(path).fileName()).toStdString());
    RecentFiles::Add(path);
    return true;
}

bool MainWindow::SaveFile(const QString& path) {
    FileError error;
    if (!state_.SaveFile(path, error)) {
        state_.LogMessage(QString(texts::kSaveFailed).arg(error.message).toStdString());
        return false;
    }
    state_.LogMessage(QString(texts::kSaved).arg(QFileInfo(path).fileName()).toStdString());
    if (!error.warning.isEmpty()) state_.LogMessage(error.warning.toStdString());
    RecentFiles::Add(path);
    return true;
}

bool MainWindow::PrintSheet(QPrinter& printer) {
    return SetupSheet(state_.Setup()).Render(printer);
}

bool MainWindow::SaveSheetPdf(const QString& path) {
    FileError error;
    if (!SetupSheet(state_.Setup()).SavePdf(path, error)) {
        state_.LogMessage(QString(texts::kSheetFailed).arg(error.message).toStdString());
        return false;
    }
    state_.LogMessage(QString(texts::kSheetSaved).arg(QFileInfo(path).fileName()).toStdString());
    return true;
}

// The dialogs start in the home folder every time and offer no history of their own: what is
// remembered between runs is the menu of recent files.
QString MainWindow::AskForFile(QFileDialog::AcceptMode mode, const QString& filters,
                               QString* chosenFilter, const QString& title) {
    const QString shownTitle = !title.isEmpty()                  ? title
                               : mode == QFileDialog::AcceptOpen ? texts::kOpenTitle
                                                                 : texts::kSaveTitle;
    QFileDialog dialog(this, shownTitle, QDir::homePath(), filters);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setHistory({});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    if (chosenFilter) *chosenFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().front();
}

void MainWindow::Open() {
    const QString path =
        AskForFile(QFileDialog::AcceptOpen, QString(texts::kFilterAll) + ";;" + kFileFilters);
    if (!path.isEmpty()) OpenFile(path);
}

void MainWindow::SaveAs() {
    QString filter;
    QString path = AskForFile(QFileDialog::AcceptSave, kFileFilters, &filter);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += FilterEnding(filter);
    SaveFile(path);
}

void MainWindow::FillRecentMenu() {
    recentMenu->clear();
    const QStringList files = RecentFiles::List();
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        QString shown = QDir::toNativeSeparators(path);
        recentMenu->addAction(QString("&%1 %2").arg(i + 1).arg(shown.replace("&", "&&")), this,
                              [this, path] { OpenFile(path); });
    }
    recentMenu->setEnabled(!files.isEmpty());
}

void MainWindow::Print() {
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    if (!PrintSheet(printer)) {
        state_.LogMessage(QString(texts::kPrintFailed).arg(printer.printerName()).toStdString());
    }
}

void MainWindow::AskSheetPdf() {
    QString path =
        AskForFile(QFileDialog::AcceptSave, texts::kFilterPdf, nullptr, texts::kSheetPdfTitle);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += ".pdf";
    SaveSheetPdf(path);
}

void MainWindow::ShowTitle() {
    const SetupDocument& document = state_.Document();
    setWindowTitle(document.File().isEmpty() ? QString(texts::kCaption)
                                             : QString(texts::kFileCaption)
                                                   .arg(QFileInfo(document.File()).fileName(),
                                                        document.Edited() ? "*" : ""));
}

void MainWindow::About() {
    QMessageBox::about(this, QString(texts::kMenuAbout).remove('&'),
                       QString(texts::kAboutText).arg(KDX_VERSION));
}

void MainWindow::Check() {
    if (!check_) {
        check_ = new CheckDialog(*form_, this);
        connect(&state_.Document(), &SetupDocument::Changed, check_,
                [this] { check_->Fill(CheckSetup(state_.Setup())); });
    }
    check_->Fill(CheckSetup(state_.Setup()));
    check_->show();
    check_->raise();
    check_->activateWindow();
}

void MainWindow::History() {
    if (!history_) history_ = new HistoryDialog(state_, this);
    history_->Fill();
    history_->show();
    history_->raise();
    history_->activateWindow();
}

// A write cut off would leave the module half old, half new: the window stays until the write
// has ended. One that failed keeps the window open with its lines in the log: the user closes
// again knowing. A read or a test changes nothing in the module and ends with the window.
void MainWindow::closeEvent(QCloseEvent* event) {
    if (!state_.Writing()) return event->accept();
    event->ignore();
    if (closeAfterWrite_) return;
    closeAfterWrite_ = true;
    state_.LogMessage(texts::kCloseAfterWrite);
    connect(
        &state_, &Module10::ProcedureEnded, this,
        [this](const TransferEngine::Outcome& outcome) {
            closeAfterWrite_ = false;
            if (outcome.Succeeded()) close();
        },
        Qt::SingleShotConnection);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = DroppedFile(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    OpenFile(path);
}

}  // namespace kdx
