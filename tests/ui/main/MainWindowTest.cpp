// The program's window: setup files opened and saved through the menu's code, and dropped.
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include "config/Codec.h"
#include "files/ImageFile.h"
#include "state/Module10.h"
#include "ui/editors/EditorHost.h"
#include "tests/ui/main/WindowTesting.h"
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
