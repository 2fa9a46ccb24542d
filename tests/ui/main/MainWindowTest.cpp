// The program's window: setup files opened and saved through the menu's code, and dropped.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QRadioButton>
#include <QSet>
#include <QSettings>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <functional>

#include "config/Codec.h"
#include "files/ImageFile.h"
#include "state/Module10.h"
#include "state/Settings.h"
#include "tests/ui/main/WindowTesting.h"
#include "ui/editors/EditorHost.h"
#include "ui/main/CheckDialog.h"
#include "ui/main/Form1.h"
#include "ui/main/Grid.h"
#include "ui/main/MainWindow.h"
#include "ui/main/TabControl.h"
#include "ui/main/TextBox.h"

using namespace kdx;

namespace {

SetupModel Sample() {
    SetupModel setup;
    setup.commandTable[1] = CommandRow{"SVETLO", "RELE2", "IMPULS", "12", "ANO"};
    setup.phoneList[0].number = "+420603123456";
    setup.messageTexts.pagerName = "Chata";
    setup.sysValue = "7";
    return setup;
}

using Change = void (*)(SetupModel&);

QByteArray TxtWith300() {
    QByteArray text;
    for (int i = 0; i < 1024; ++i) text += (i == 700 ? "300" : "0") + QByteArray("\r\n");
    return text;
}

}  // namespace

Q_DECLARE_METATYPE(Change)

class MainWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<Module10> state;
    std::unique_ptr<MainWindow> window;

    QString Path(const QString& name) const { return dir.filePath(name); }
    void Write(const QString& name, const QByteArray& content) {
        QFile file(Path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QString LastLog() const {
        return window->Client().Text2->Text().section("\r\n", 0, 0).section(" --> ", 1);
    }

  private slots:
    // The recent files go to the test's own folder, never into the user's settings.
    void initTestCase() {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.filePath("config"));
        ProgramSettings().clear();
    }
    void init() {
        state = std::make_unique<Module10>([] { return QTime(10, 0, 0); });
        window = std::make_unique<MainWindow>(*state, PortMap(QStringList{}));
        window->show();
    }
    void cleanup() {
        window.reset();
        state.reset();
    }

    void opensEachFormatAsAfterARead_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("json") << "a.json";
        QTest::newRow("bin") << "a.bin";
        QTest::newRow("txt") << "a.txt";
    }
    void opensEachFormatAsAfterARead() {
        QFETCH(QString, name);
        FileError error;
        QVERIFY(SaveSetup(Path(name), Sample(), error));
        QVERIFY(window->OpenFile(Path(name)));
        QCOMPARE(state->Buffer(), EncodeSetup(Sample()));
        QCOMPARE(state->Setup(), Sample());
        QCOMPARE(window->Client().grid1->TextMatrix(2, 1), " SVETLO");  // as the view shows texts
        QCOMPARE(window->Client().sys->text(), "7");
        QCOMPARE(LastLog(), "otevřen soubor " + name);
    }

    void aRefusedFileChangesNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("why");
        QTest::newRow("short bin") << "short.bin" << QByteArray(1000, 0) << "1000 bajtů";
        QTest::newRow("value 300") << "value.txt" << TxtWith300() << "chyba v radku 701!";
        QTest::newRow("unknown output")
            << "word.json"
            << R"({"commands":[)" + QByteArray("{},").repeated(19) + R"({"output":"RELE9"}]})"
            << "RELE9";
        QTest::newRow("erased bin")
            << "erased.bin" << QByteArray(1024, '\xFF') << "nelze dekódovat";
    }
    void aRefusedFileChangesNothing() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, why);
        Write(name, content);
        state->SetBuffer({1, 2, 3});
        const SetupModel before = state->Setup();
        const QString shown = window->Client().grid1->TextMatrix(1, 1);
        QVERIFY(!window->OpenFile(Path(name)));
        QCOMPARE(state->Buffer(), (ConfigBuffer{1, 2, 3}));
        QCOMPARE(state->Setup(), before);
        QCOMPARE(window->Client().grid1->TextMatrix(1, 1), shown);
        QVERIFY2(LastLog().startsWith("soubor nelze otevřít: ") && LastLog().contains(why),
                 qPrintable(LastLog()));
    }

    void savedAndReopenedGivesTheSameSetup() {
        test::EditSetup(*state, [](SetupModel& setup) { setup = Sample(); });
        QVERIFY(window->SaveFile(Path("saved.json")));
        QVERIFY(state->Buffer().empty());  // saving puts nothing into the buffer
        QCOMPARE(LastLog(), "uloženo do souboru saved.json");
        test::EditSetup(*state, [](SetupModel& setup) { setup = SetupModel(); });
        QVERIFY(window->OpenFile(Path("saved.json")));
        QCOMPARE(state->Setup(), Sample());
    }

    // The buffer keeps what was last put into it: "buff to win" after a save shows it still.
    void savingLeavesTheBuffer() {
        Form1& form = window->Client();
        const QString image = QString("7\r\n").repeated(1024);
        form.Text1->SetText(image);
        test::ClickDebugButton(form, form.Command15);  // win to buff
        form.Text1->SetText({});
        QVERIFY(window->SaveFile(Path("saved.bin")));
        test::ClickDebugButton(form, form.Command7);  // buff to win
        QCOMPARE(form.Text1->Text(), image);
    }

    void aFailedSaveSaysSo() {
        QVERIFY(!window->SaveFile(Path("missing-folder/new.json")));
        QVERIFY(LastLog().startsWith("soubor nelze uložit: "));
    }

    void aDroppedFileIsOpened() {
        FileError error;
        QVERIFY(SaveSetup(Path("dropped.bin"), Sample(), error));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(Path("dropped.bin"))});
        const QPoint at = window->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
        QCOMPARE(state->Setup(), Sample());
    }

    void theClientAreaKeepsItsSizeUnderTheMenuBar() {
        QCOMPARE(window->centralWidget(), &window->Client());
        QCOMPARE(window->Client().size(), window->Client().minimumSize());
        QVERIFY(window->Client().geometry().top() >= window->menuWidget()->height());
    }

    // Where a finding leads: grid 1 to 3 and its Row/Col, or 0 for the SYS box.
    void aFindingLeadsToItsCell_data() {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("grid");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::newRow("command") << Change([](SetupModel& s) {
            s.commandTable[0].smsText = "ZAP";
            s.commandTable[4].smsText = "ZAP";
        }) << "commands[5].sms" << 1
                                 << 5 << 1;
        QTest::newRow("phone flag") << Change([](SetupModel& s) { s.phoneList[1].flagIn1 = "0"; })
                                    << "phones[2].flags" << 2 << 2 << 4;
        QTest::newRow("text") << Change([](SetupModel& s) { s.messageTexts.calmIn1 = "Ω"; })
                              << "texts.calmIn1" << 3 << 4 << 1;
        QTest::newRow("sys") << Change([](SetupModel& s) { s.sysValue = ""; }) << "sys" << 0 << 0
                             << 0;
    }
    void aFindingLeadsToItsCell() {
        QFETCH(Change, change);
        QFETCH(QString, path);
        QFETCH(int, grid);
        Form1& form = window->Client();
        test::EditSetup(*state, change);
        form.SSTab1->setCurrentIndex(3);
        window->checkAction->trigger();
        auto* dialog = window->findChild<CheckDialog*>();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->list->topLevelItemCount(), 1);
        QCOMPARE(dialog->list->topLevelItem(0)->text(0), path);

        QTest::keyClick(dialog->list, Qt::Key_Return);
        Grid* grids[] = {nullptr, form.grid1, form.grid2, form.grid3};
        QWidget* target = grid ? static_cast<QWidget*>(grids[grid]) : form.sys;
        QVERIFY(form.SSTab1->currentWidget()->isAncestorOf(target));
        QTRY_VERIFY(target->hasFocus());
        if (!grid) return;
        QFETCH(int, row);
        QFETCH(int, col);
        QCOMPARE(grids[grid]->Row(), row);
        QCOMPARE(grids[grid]->Col(), col);
    }

    // Open beside the window, the list follows every edit: a flag switched on an entry without a
    // number is a finding, switched back it is gone.
    void theFindingsFollowEveryEdit() {
        Form1& form = window->Client();
        window->checkAction->trigger();
        auto* dialog = window->findChild<CheckDialog*>();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->list->topLevelItemCount(), 0);
        form.Editors().Grid2SpacePress(2, 4);
        QCOMPARE(dialog->list->topLevelItemCount(), 1);
        QCOMPARE(dialog->list->topLevelItem(0)->text(0), "phones[2].flags");
        form.Editors().Grid2SpacePress(2, 4);
        QCOMPARE(dialog->list->topLevelItemCount(), 0);
    }

    void theTitleNamesTheFileAndMarksAnEdit() {
        QCOMPARE(window->windowTitle(), "KDX-17 setup");
        FileError error;
        QVERIFY(SaveSetup(Path("chata.json"), Sample(), error));
        QVERIFY(window->OpenFile(Path("chata.json")));
        QCOMPARE(window->windowTitle(), "chata.json – KDX-17 setup");
        test::EditSetup(*state, [](SetupModel& setup) { setup.sysValue = "9"; });
        QCOMPARE(window->windowTitle(), "chata.json* – KDX-17 setup");
        QVERIFY(window->SaveFile(Path("chata2.bin")));
        QCOMPARE(window->windowTitle(), "chata2.bin – KDX-17 setup");
        QVERIFY(!window->OpenFile(Path("missing.json")));  // a refused file changes nothing
        QCOMPARE(window->windowTitle(), "chata2.bin – KDX-17 setup");
    }

    // Eight files, newest first, kept over a restart; a file gone since is left out.
    void recentFilesSurviveARestart() {
        FileError error;
        for (int i = 0; i < 9; ++i) {
            QVERIFY(SaveSetup(Path(QString("site%1.json").arg(i)), Sample(), error));
            QVERIFY(window->OpenFile(Path(QString("site%1.json").arg(i))));
        }
        QVERIFY(QFile::remove(Path("site5.json")));
        cleanup();
        init();
        emit window->recentMenu->aboutToShow();
        QStringList shown;
        for (QAction* action : window->recentMenu->actions()) shown << action->text();
        QStringList expected;
        int number = 0;
        for (int i : {8, 7, 6, 4, 3, 2, 1}) {
            expected << QString("&%1 %2").arg(++number).arg(
                QDir::toNativeSeparators(Path(QString("site%1.json").arg(i))));
        }
        QCOMPARE(shown, expected);
        window->recentMenu->actions()[1]->trigger();
        QCOMPARE(window->windowTitle(), "site7.json – KDX-17 setup");
    }

    void everyMenuAndEntryHasItsOwnLetter() {
        std::function<void(const QList<QAction*>&)> check = [&](const QList<QAction*>& actions) {
            QSet<QChar> letters;
            for (QAction* action : actions) {
                if (action->isSeparator()) continue;
                const qsizetype amp = action->text().indexOf('&');
                QVERIFY2(amp >= 0 && amp + 1 < action->text().size(), qPrintable(action->text()));
                const QChar letter = action->text()[amp + 1].toLower();
                QVERIFY2(!letters.contains(letter), qPrintable(action->text()));
                letters.insert(letter);
                if (action->menu()) check(action->menu()->actions());
            }
        };
        check(window->menuBar()->actions());
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_F10);
        QTRY_VERIFY(window->menuBar()->activeAction());
    }

    // From the start, Tab goes round every control of the tab shown (out of a grid too, the
    // arrows move within it), Ctrl+Tab goes on to the next tab: every control is reached.
    void tabReachesEveryControlOfEveryTab() {
        Form1& form = window->Client();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QVERIFY(QApplication::focusWidget());
        const int count = form.SSTab1->count();
        const int shown = form.SSTab1->currentIndex();
        for (int tab = shown; tab < shown + count; ++tab) {
            QCOMPARE(form.SSTab1->currentIndex(), tab % count);
            QSet<QWidget*> reached;
            QWidget* first = QApplication::focusWidget();
            for (int step = 0; step < 100; ++step) {
                reached.insert(QApplication::focusWidget());
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                if (QApplication::focusWidget() == first) break;
            }
            QCOMPARE(QApplication::focusWidget(), first);
            for (QWidget* control : form.SSTab1->widget(tab % count)->findChildren<QWidget*>()) {
                if (!(control->focusPolicy() & Qt::TabFocus) || !control->isEnabled() ||
                    !control->isVisible() || control->focusProxy()) {
                    continue;
                }
                // Of options that exclude each other, Tab stops at the chosen one only.
                auto* option = qobject_cast<QRadioButton*>(control);
                if (option && !option->isChecked() && option->autoExclusive()) {
                    bool sibling = false;
                    for (auto* other : control->parentWidget()->findChildren<QRadioButton*>()) {
                        sibling |= other->isChecked() && reached.contains(other);
                    }
                    if (sibling) continue;
                }
                QVERIFY2(reached.contains(control),
                         qPrintable(
                             QString("tab %1: %2 %3")
                                 .arg(tab)
                                 .arg(control->metaObject()->className(), control->objectName())));
            }
            QVERIFY(reached.contains(form.SSTab1->tabBar()));
            if (tab % count == 1) QVERIFY(reached.contains(form.udrzeni));
            // Ctrl+Tab from wherever the focus is on the tab control, a grid included.
            QWidget* inTabs =
                tab % count == 0 ? static_cast<QWidget*>(form.grid1) : form.SSTab1->tabBar();
            inTabs->setFocus();
            QTest::keyClick(inTabs, Qt::Key_Tab, Qt::ControlModifier);
        }
        QCOMPARE(form.SSTab1->currentIndex(), shown);
        form.SSTab1->setCurrentIndex(0);
        form.grid1->setFocus();
        QTest::keyClick(form.grid1, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(form.SSTab1->currentIndex(), count - 1);
    }

    void aSetupWithoutFindingsIsAllRight() {
        window->checkAction->trigger();
        auto* dialog = window->findChild<CheckDialog*>();
        QVERIFY(dialog);
        QCOMPARE(dialog->summary->text(), "Nastavení je v pořádku.");
        QVERIFY(dialog->list->isHidden());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
