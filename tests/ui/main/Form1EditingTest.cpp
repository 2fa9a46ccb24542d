// The editing paths of the main window with real events: double-clicks on the grids, the
// editors they open, and the buffer text window.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "config/Codec.h"
#include "state/Module10.h"
#include "tests/ui/main/WindowTesting.h"
#include "ui/editors/EditorHost.h"
#include "ui/main/Form1.h"
#include "ui/main/Grid.h"
#include "ui/main/TabControl.h"
#include "ui/main/TextBox.h"

using namespace kdx;

namespace {

const QString kCrLf = "\r\n";

QString Q(const std::string& text) { return QString::fromStdString(text); }

QStringList Lines(const QString& text) {
    QStringList lines = text.split(kCrLf);
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

}  // namespace

class Form1EditingTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Module10> state;
    std::unique_ptr<Form1> form;

    // A user's double-click on a data cell: a click, then the double-click.
    void DoubleClick(Grid* grid, int row, int col) {
        form->SSTab1->setCurrentWidget(grid->parentWidget());
        const QPoint at = grid->visualRect(grid->model()->index(row - 1, col - 1)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    }

    // The keyboard's way to a cell: pick it as the arrow keys would, then press the key.
    void PressOnCell(Grid* grid, int row, int col, Qt::Key key) {
        form->SSTab1->setCurrentWidget(grid->parentWidget());
        grid->setFocus();
        grid->setCurrentCell(row - 1, col - 1);
        QTest::keyClick(grid, key);
    }

    QString LatestLog() const { return Lines(form->Text2->Text()).first().section(" --> ", 1); }

    void ClickDebug(QPushButton* button) { test::ClickDebugButton(*form, button); }

  private slots:
    void init() {
        form = test::OpenWindow(state, QTime(8, 0, 0));
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() {
        form.reset();
        state.reset();
    }

    void commandRowEditorSavesAndTheViewShowsIt_data() {
        QTest::addColumn<bool>("keyboard");
        QTest::newRow("mouse") << false;
        QTest::newRow("Enter on the cell, Enter to save") << true;
    }
    void commandRowEditorSavesAndTheViewShowsIt() {
        QFETCH(bool, keyboard);
        test::EditSetup(*state, [&](SetupModel& setup) { setup.commandTable[6].time = "12"; });
        if (keyboard) {
            PressOnCell(form->grid1, 7, 3, Qt::Key_Return);
        } else {
            DoubleClick(form->grid1, 7, 3);
        }
        Form2* editor = form->Editors().CommandEditor();
        QVERIFY(editor);
        QTRY_VERIFY(editor->isActiveWindow());
        QCOMPARE(editor->Text1->text(), "7");
        QCOMPARE(editor->Text3->text(), "12");
        if (keyboard) {
            // The key held a little long: its repeats come to the editor and press nothing.
            QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r", true);
            QApplication::sendEvent(editor->Text1, &repeat);
            QCOMPARE(form->Editors().CommandEditor(), editor);
        }

        editor->Text2->setFocus();
        QTest::keyClicks(editor->Text2, "ZAP");
        editor->Text3->setFocus();
        QTest::keyClick(editor->Text3, Qt::Key_Backspace);
        QTest::keyClick(editor->Text3, Qt::Key_Backspace);  // an empty time
        if (keyboard) {
            QTest::keyClick(editor->Text3, Qt::Key_Return);
        } else {
            QTest::mouseClick(editor->Command1, Qt::LeftButton);
        }

        QTRY_VERIFY(!form->Editors().CommandEditor());
        QCOMPARE(form->grid1->TextMatrix(7, 1), " ZAP");
        QCOMPARE(form->grid1->TextMatrix(7, 4), "0");
        QCOMPARE(state->Setup().commandTable[6].time, "0");
    }

    void doubleClickOnAnotherRowRetargetsTheOpenEditor() {
        DoubleClick(form->grid1, 2, 1);
        Form2* editor = form->Editors().CommandEditor();
        QVERIFY(editor);
        QTRY_VERIFY(editor->isActiveWindow());
        test::EditSetup(*state, [&](SetupModel& setup) {
            setup.commandTable[14] = CommandRow{"VYP", "RELE2", "ROZEPNUTI", "3", "ANO"};
        });
        form->activateWindow();
        QTRY_VERIFY(form->isActiveWindow());
        DoubleClick(form->grid1, 15, 2);
        QCOMPARE(form->Editors().CommandEditor(), editor);
        QTRY_VERIFY(editor->isActiveWindow());
        QCOMPARE(editor->Text1->text(), "15");
        QCOMPARE(editor->Text2->text(), "VYP");
        QCOMPARE(editor->Combo1->currentText(), "RELE2");
        QVERIFY(editor->Check1->isChecked());
    }

    void flagCellsToggle_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("space");  // Space on the cell instead of a double-click
        QTest::newRow("empty") << ""
                               << "0" << false;
        QTest::newRow("set") << "0"
                             << "" << false;
        QTest::newRow("other text") << "1"
                                    << "1" << false;
        QTest::newRow("empty, Space") << ""
                                      << "0" << true;
        QTest::newRow("set, Space") << "0"
                                    << "" << true;
    }
    void flagCellsToggle() {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(bool, space);
        test::EditSetup(
            *state, [&](SetupModel& setup) { setup.phoneList[2].flagSms = before.toStdString(); });
        if (space) {
            PressOnCell(form->grid2, 3, 3, Qt::Key_Space);
        } else {
            DoubleClick(form->grid2, 3, 3);  // row 3, "SMS"
        }
        QCOMPARE(Q(state->Setup().phoneList[2].flagSms), after);
        QCOMPARE(form->grid2->TextMatrix(3, 3), after);
        QVERIFY(!form->Editors().TextEditor());
    }

    void phoneEditorKeepsItsTargetWhenTheTextsAreDoubleClicked() {
        test::EditSetup(*state, [&](SetupModel& setup) { setup.phoneList[4].number = "+420111"; });
        DoubleClick(form->grid2, 5, 1);
        Form3* editor = form->Editors().TextEditor();
        QVERIFY(editor);
        QCOMPARE(editor->Label2->text(), "Telefonní číslo:");
        QCOMPARE(editor->Text1->text(), "+420111");

        DoubleClick(form->grid3, 5, 1);  // "Zklidnění IN2"
        QCOMPARE(form->Editors().TextEditor(), editor);
        QCOMPARE(editor->Label2->text(), "Telefonní číslo:");
        editor->Text1->setFocus();
        QTest::keyClicks(editor->Text1, "22");
        QTest::mouseClick(editor->Command1, Qt::LeftButton);

        QCOMPARE(state->Setup().phoneList[4].number, "+42011122");
        QCOMPARE(state->Setup().messageTexts.calmIn2, "");
        QCOMPARE(form->grid2->TextMatrix(5, 1), " +42011122");
    }

    void textsGridOpensTheEditorForTheText_data() {
        QTest::addColumn<bool>("keyboard");
        QTest::newRow("mouse") << false;
        QTest::newRow("F2 on the cell, Escape to go back") << true;
    }
    void textsGridOpensTheEditorForTheText() {
        QFETCH(bool, keyboard);
        test::EditSetup(*state, [&](SetupModel& setup) { setup.messageTexts.calmIn2 = "Klid"; });
        if (keyboard) {
            PressOnCell(form->grid3, 5, 1, Qt::Key_F2);
        } else {
            DoubleClick(form->grid3, 5, 1);
        }
        Form3* editor = form->Editors().TextEditor();
        QVERIFY(editor);
        QCOMPARE(editor->Label2->text(), "SMS:");
        QCOMPARE(editor->Text1->text(), "Klid");
        if (keyboard) {
            QVERIFY(QTest::qWaitForWindowActive(editor));
            QTest::keyClicks(editor->Text1, "X");
            QTest::keyClick(editor->Text1, Qt::Key_Escape);
        } else {
            QTest::mouseClick(editor->Command2, Qt::LeftButton);  // "Zpět"
        }
        QTRY_VERIFY(!form->Editors().TextEditor());
        QCOMPARE(state->Setup().messageTexts.calmIn2, "Klid");
    }

    void buffToWinShowsTheImageAsDecimalLines() {
        ClickDebug(form->Command14);  // setup to buffer
        ClickDebug(form->Command7);   // buff to win
        const QStringList lines = Lines(form->Text1->Text());
        QCOMPARE(lines.size(), 1024);
        QCOMPARE(lines.mid(0, 640), QStringList(640, "255"));
        QCOMPARE(lines[645], "124");
        QVERIFY(form->Text1->Text().endsWith(kCrLf));

        // A second click appends the image again; the window then refuses it.
        ClickDebug(form->Command7);
        QCOMPARE(Lines(form->Text1->Text()).size(), 2048);
        const ConfigBuffer before = state->Buffer();
        ClickDebug(form->Command15);
        QCOMPARE(LatestLog(), "chyba: 2048 hodnot misto 1024!");
        QCOMPARE(state->Buffer(), before);
    }

    void buffToWinOfAnEmptyBufferSaysSo() {
        ClickDebug(form->Command7);
        QCOMPARE(LatestLog(), "buffer ma 0 bajtu!");
        QCOMPARE(form->Text1->Text(), "");
    }

    void aPatchedLineReachesTheSetup() {
        ClickDebug(form->Command14);
        ClickDebug(form->Command7);
        QStringList lines = Lines(form->Text1->Text());
        lines[944 + 16 * 3] = "65";  // the first byte of calmIn1
        lines.insert(10, "");        // a blank line is ignored
        lines[20] = " 255 ";
        form->Text1->SetText(lines.join(kCrLf) + kCrLf);
        const ConfigBuffer before = state->Buffer();
        ClickDebug(form->Command15);  // win to buff

        ConfigBuffer expected = before;
        expected[944 + 16 * 3] = 0x41;
        QCOMPARE(state->Buffer(), expected);
        ClickDebug(form->Command5);  // buff to setup
        QCOMPARE(state->Setup().messageTexts.calmIn1, "A");
        QCOMPARE(form->grid3->TextMatrix(4, 1), "A");
    }

    void badLinesLeaveTheBuffer_data() {
        QTest::addColumn<QString>("value");
        for (const char* value : {"256", "-1", "1e2", "0x10", "a"}) QTest::newRow(value) << value;
    }
    void badLinesLeaveTheBuffer() {
        QFETCH(QString, value);
        ClickDebug(form->Command14);
        ClickDebug(form->Command7);
        QStringList lines = Lines(form->Text1->Text());
        lines[99] = value;
        form->Text1->SetText(lines.join(kCrLf) + kCrLf);
        const ConfigBuffer before = state->Buffer();
        ClickDebug(form->Command15);
        QCOMPARE(LatestLog(), "chyba v radku 100!");
        QCOMPARE(state->Buffer(), before);
    }
};

QTEST_MAIN(Form1EditingTest)
#include "Form1EditingTest.moc"
