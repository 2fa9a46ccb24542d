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

#include "config/SetupCheck.h"
#include "state/Module10.h"
#include "ui/main/CheckDialog.h"
#include "ui/main/Form1.h"
#include "ui/main/HistoryDialog.h"
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
    setWindowTitle(form_->windowTitle());
    QIcon icon;
    for (int size : {16, 32, 48, 64, 256}) icon.addFile(QString(":/icons/%1.png").arg(size));
    setWindowIcon(icon);
    setAcceptDrops(true);

    QMenu* file = menuBar()->addMenu(texts::kMenuFile);
    openAction = file->addAction(texts::kMenuOpen, QKeySequence::Open, this, &MainWindow::Open);
    saveAsAction =
        file->addAction(texts::kMenuSaveAs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this,
                        &MainWindow::SaveAs);
    file->addSeparator();
    historyAction = file->addAction("Historie modulů…", this, &MainWindow::History);
    historyOnAction = file->addAction("Zaznamenávat historii modulů", &Journal::SetEnabled);
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
    return true;
}

// The dialogs start in the home folder every time and offer no history: nothing is remembered
// between runs.
QString MainWindow::AskForFile(QFileDialog::AcceptMode mode, const QString& filters,
                               QString* chosenFilter) {
    QFileDialog dialog(this,
                       mode == QFileDialog::AcceptOpen ? texts::kOpenTitle : texts::kSaveTitle,
                       QDir::homePath(), filters);
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

void MainWindow::About() {
    QMessageBox::about(this, texts::kMenuAbout, QString(texts::kAboutText).arg(KDX_VERSION));
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
