#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "config/SetupModel.h"
#include "ui/editors/Form2.h"

using kdx::CommandRow;
using kdx::Form2;

namespace {

const QStringList kOutputs = {"SYSTEM", "RELE1", "RELE2", "BYPASS"};
const QStringList kSystemActions = {"TEST", "RESET", "KREDIT", "MONITOR", "STATUS"};
const QStringList kOutputActions = {"ROZEPNUTI", "SEPNUTI", "IMPULS", "ZMENA"};

QStringList Items(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
}

// Types any text, not only Latin-1 like QTest::keyClicks.
void Type(QWidget* widget, const QString& text) {
    for (const QChar c : text) QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, c, {});
}

void PressTab() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }

struct LoadCase {
    const char *output, *action, *shownOutput, *shownAction;
    bool systemActions;
};

// How the test leaves the output field after retyping it.
enum class Leave { Tab, ClickSave, ClickSaveWithoutFocus, Enter };
struct RegroupCase {
    const char *output, *action, *typed;
    Leave leave;
    const char* newAction;
    bool systemActions;
};

struct PulseCase {
    const char *loaded, *keys, *shown;
    const char* pasted = "";  // then pasted, and dropped on a field emptied again
};

}  // namespace

Q_DECLARE_METATYPE(LoadCase)
Q_DECLARE_METATYPE(RegroupCase)
Q_DECLARE_METATYPE(PulseCase)

class Form2Test : public QObject {
    Q_OBJECT

    std::unique_ptr<kdx::SetupDocument> document;
    int refreshes = 0;
    const kdx::SetupModel& Setup() const { return document->Setup(); }
    // The setup as a test needs it, as if opened from a file; no view refresh counts.
    void Given(const std::function<void(kdx::SetupModel&)>& change) {
        kdx::SetupModel setup = document->Setup();
        change(setup);
        document->Take(setup, {}, kdx::SetupDocument::Origin::kFile);
        refreshes = 0;
    }
    CommandRow rowAtRefresh;  // row 3 (index 2) as the view refresh found it
    QPointer<Form2> form;
    QWidget mainWindow;  // stands in for the window the editor is opened from

    void Open(int row) {
        form->OpenForRow(row);
        QVERIFY(QTest::qWaitForWindowActive(form));
    }
    void ComeBack() {
        mainWindow.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&mainWindow));
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
    }
    // From the row field, where the focus starts, to the output field.
    void TabToOutput() {
        QCOMPARE(QApplication::focusWidget(), form->Text1);
        PressTab();
        PressTab();
        QVERIFY(form->Combo1->hasFocus());
    }
    void Retype(QComboBox* combo, const QString& text) {
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo, text);
        QCOMPARE(combo->currentText(), text);
    }
    void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }

  private slots:
    void initTestCase() { mainWindow.show(); }

    void init() {
        document = std::make_unique<kdx::SetupDocument>();
        document->Take(kdx::SetupModel{}, {}, kdx::SetupDocument::Origin::kDefaults);
        refreshes = 0;
        QObject::connect(document.get(), &kdx::SetupDocument::Changed, [this] {
            ++refreshes;
            rowAtRefresh = Setup().commandTable[2];
        });
        form = new Form2(*document);
        form->setAttribute(Qt::WA_DeleteOnClose);
    }

    void cleanup() { delete form.data(); }

    void opensWithTheRowFieldFocusedAndKeepsItsTabOrder() {
        Open(3);
        QCOMPARE(form->Text1->text(), "3");
        QVERIFY(form->Text1->isReadOnly());
        for (QWidget* next : QWidgetList{form->Text2, form->Combo1, form->Combo2, form->Command1,
                                         form->Command2, form->Text3, form->Check1, form->Text1}) {
            PressTab();
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void loadsTheRow_data() {
        QTest::addColumn<LoadCase>("c");
        QTest::newRow("system status") << LoadCase{"SYSTEM", "STATUS", "SYSTEM", "STATUS", true};
        QTest::newRow("lower case output") << LoadCase{"rele1", "ZMENA", "", "ZMENA", false};
        QTest::newRow("lower case output, system action")
            << LoadCase{"rele1", "TEST", "", "", false};
        QTest::newRow("action of the other group")
            << LoadCase{"SYSTEM", "IMPULS", "SYSTEM", "", true};
        QTest::newRow("lower case action") << LoadCase{"BYPASS", "sepnuti", "BYPASS", "", false};
    }
    void loadsTheRow() {
        QFETCH(LoadCase, c);
        Given([&](kdx::SetupModel& s) {
            s.commandTable[2] = {"ZAP 1", c.output, c.action, "12", "ANO"};
        });
        Open(3);
        QCOMPARE(Items(form->Combo1), kOutputs);
        QCOMPARE(form->Combo1->currentText(), c.shownOutput);
        QCOMPARE(form->Combo2->currentText(), c.shownAction);
        QCOMPARE(Items(form->Combo2), c.systemActions ? kSystemActions : kOutputActions);
        QCOMPARE(form->Text2->text(), "ZAP 1");
        QCOMPARE(form->Text3->text(), "12");
        QVERIFY(form->Check1->isChecked());
    }

    void regroupsOnLeavingTheOutputField_data() {
        QTest::addColumn<RegroupCase>("c");
        QTest::newRow("relay to relay keeps")
            << RegroupCase{"RELE1", "IMPULS", "RELE2", Leave::Tab, "IMPULS", false};
        QTest::newRow("relay to typed text keeps")
            << RegroupCase{"RELE1", "ZMENA", "xyz", Leave::Tab, "ZMENA", false};
        QTest::newRow("relay to system empties")
            << RegroupCase{"RELE1", "IMPULS", "SYSTEM", Leave::Tab, "", true};
        QTest::newRow("system to lower case empties")
            << RegroupCase{"SYSTEM", "STATUS", "system", Leave::Tab, "", false};
        QTest::newRow("save click regroups first")
            << RegroupCase{"RELE1", "IMPULS", "SYSTEM", Leave::ClickSave, "", true};
        QTest::newRow("save click without focus regroups first")
            << RegroupCase{"SYSTEM", "RESET", "BYPASS", Leave::ClickSaveWithoutFocus, "", false};
        QTest::newRow("Enter saves, regrouping first")
            << RegroupCase{"RELE1", "IMPULS", "SYSTEM", Leave::Enter, "", true};
    }
    void regroupsOnLeavingTheOutputField() {
        QFETCH(RegroupCase, c);
        Given([&](kdx::SetupModel& s) { s.commandTable[2].output = c.output; });
        Given([&](kdx::SetupModel& s) { s.commandTable[2].action = c.action; });
        Open(3);
        TabToOutput();
        Retype(form->Combo1, c.typed);
        QCOMPARE(form->Combo2->currentText(), c.action);  // nothing happens while typing
        if (c.leave == Leave::Tab) {
            PressTab();
            QCOMPARE(form->Combo2->currentText(), c.newAction);
            QCOMPARE(Items(form->Combo2), c.systemActions ? kSystemActions : kOutputActions);
            return;
        }
        // Where a click takes no focus (as on some platforms), the save must regroup itself.
        if (c.leave == Leave::ClickSaveWithoutFocus) form->Command1->setFocusPolicy(Qt::NoFocus);
        if (c.leave == Leave::Enter) {
            QTest::keyClick(form->Combo1, Qt::Key_Return);
        } else {
            Click(form->Command1);
        }
        QCOMPARE(refreshes, 1);
        QCOMPARE(rowAtRefresh.output, std::string(c.typed));
        QCOMPARE(rowAtRefresh.action, std::string(c.newAction));
        QTRY_VERIFY(!form);
    }

    // Picking from the drop-down list moves the focus into the list and back: no leave yet.
    void pickingFromTheListRegroupsOnLeaving() {
        Given([&](kdx::SetupModel& s) { s.commandTable[2].output = "RELE1"; });
        Given([&](kdx::SetupModel& s) { s.commandTable[2].action = "IMPULS"; });
        Open(3);
        TabToOutput();
        form->Combo1->showPopup();
        QAbstractItemView* list = form->Combo1->view();
        QVERIFY(QTest::qWaitForWindowExposed(list->window()));
        const QRect system = list->visualRect(list->model()->index(0, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, system.center());
        QTRY_VERIFY(!list->window()->isVisible() && form->Combo1->hasFocus());
        QCOMPARE(form->Combo1->currentText(), "SYSTEM");
        PressTab();
        QCOMPARE(form->Combo2->currentText(), "");
        QCOMPARE(Items(form->Combo2), kSystemActions);
    }

    void filtersAndClampsThePulseLength_data() {
        QTest::addColumn<PulseCase>("c");
        QTest::newRow("9 then 5") << PulseCase{"", "95", "90"};
        QTest::newRow("7 stays") << PulseCase{"", "7", "7"};
        QTest::newRow("third digit refused") << PulseCase{"", "123", "12"};
        QTest::newRow("letters and minus refused") << PulseCase{"", "a-x5", "5"};
        QTest::newRow("backspace") << PulseCase{"", "95\b", "9"};
        QTest::newRow("loaded 95") << PulseCase{"95", "", "90"};
        QTest::newRow("loaded three digits not cut") << PulseCase{"123", "", "90"};
        QTest::newRow("loaded negative stays whole") << PulseCase{"-32", "", "-32"};
        QTest::newRow("pasted letters") << PulseCase{"", "", "", "ab"};
        QTest::newRow("pasted negative") << PulseCase{"", "", "", "-9"};
        QTest::newRow("pasted digits clamped") << PulseCase{"", "", "90", "95"};
    }
    void filtersAndClampsThePulseLength() {
        QFETCH(PulseCase, c);
        Given([&](kdx::SetupModel& s) { s.commandTable[2].time = c.loaded; });
        Open(3);
        form->Text3->setFocus();
        QTest::keyClicks(form->Text3, c.keys);
        if (*c.pasted == '\0') {
            QCOMPARE(form->Text3->text(), c.shown);
            return;
        }
        QApplication::clipboard()->setText(c.pasted);
        form->Text3->paste();  // what Ctrl+V and the context menu do
        QCOMPARE(form->Text3->text(), c.shown);
        form->Text3->clear();
        QMimeData dropped;
        dropped.setText(c.pasted);
        const QPoint at = form->Text3->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form->Text3, &enter);
        QDropEvent drop(at, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form->Text3, &drop);
        QCOMPARE(form->Text3->text(), c.shown);
    }

    void saveStoresTheFiveTextsUnchanged() {
        Open(3);
        form->Text2->setFocus();
        Type(form->Text2, " Zap  č.1 ");
        PressTab();
        Retype(form->Combo1, "rele2");
        PressTab();
        Retype(form->Combo2, "Impuls");
        form->Text3->setFocus();
        QTest::keyClick(form->Text3, Qt::Key_Backspace);  // an empty time is stored as "0"
        Click(form->Check1);
        Click(form->Command1);
        QCOMPARE(refreshes, 1);
        QVERIFY(rowAtRefresh == (CommandRow{" Zap  č.1 ", "rele2", "Impuls", "0", "ANO"}));
        QTRY_VERIFY(!form);
    }

    // Escape, and Enter on a focused "Zpět", press it as a click does.
    void backDropsEverything_data() {
        QTest::addColumn<Qt::Key>("key");  // Qt::Key_unknown: a click
        QTest::newRow("click") << Qt::Key_unknown;
        QTest::newRow("Escape") << Qt::Key_Escape;
        QTest::newRow("Enter on Zpět") << Qt::Key_Return;
    }
    void backDropsEverything() {
        QFETCH(Qt::Key, key);
        const kdx::SetupModel before = Setup();
        Open(3);
        form->Text2->setFocus();
        QTest::keyClicks(form->Text2, "VYP");
        PressTab();
        Retype(form->Combo1, "RELE1");
        if (key == Qt::Key_unknown) {
            Click(form->Command2);
        } else {
            if (key == Qt::Key_Return) form->Command2->setFocus();
            QTest::keyClick(QApplication::focusWidget(), key);
        }
        QTRY_VERIFY(!form);
        QCOMPARE(refreshes, 0);
        QVERIFY(Setup() == before);
    }

    void reloadsWhenActivatedAgain() {
        const CommandRow row{"ZAP", "RELE1", "SEPNUTI", "5", "ANO"};
        Given([&](kdx::SetupModel& s) { s.commandTable[2] = row; });
        Open(3);
        form->Text2->setFocus();
        QTest::keyClicks(form->Text2, "X");
        PressTab();
        Retype(form->Combo1, "SYSTEM");
        PressTab();
        Click(form->Check1);
        ComeBack();
        QCOMPARE(form->Text2->text(), "ZAP");
        QCOMPARE(form->Combo1->currentText(), "RELE1");
        QCOMPARE(form->Combo2->currentText(), "SEPNUTI");
        QVERIFY(form->Check1->isChecked());
        QCOMPARE(Items(form->Combo1), kOutputs);  // refilled, never extended
        QCOMPARE(Items(form->Combo2), kOutputActions);
        Click(form->Check1);
        Click(form->Command1);
        QVERIFY(rowAtRefresh == (CommandRow{"ZAP", "RELE1", "SEPNUTI", "5", "NE"}));
    }

    void uncheckedBoxLoadsForNo() {
        Open(3);  // the default row holds "NE"
        Click(form->Check1);
        ComeBack();
        QVERIFY(!form->Check1->isChecked());
    }

    // A double-click on another row while the editor is open: the activation loads that row.
    void opensAnotherRowWhileOpen() {
        Given([&](kdx::SetupModel& s) { s.commandTable[6].smsText = "row 7"; });
        Open(3);
        mainWindow.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&mainWindow));
        form->OpenForRow(7);
        QVERIFY(QTest::qWaitForWindowActive(form));
        QCOMPARE(form->Text1->text(), "7");
        QCOMPARE(form->Text2->text(), "row 7");
    }

    void smsTextTakes32Characters() {
        Open(3);
        form->Text2->setFocus();
        const QString text(32, u'a');
        QTest::keyClicks(form->Text2, text + "b");
        QCOMPARE(form->Text2->text(), text);
    }
};

QTEST_MAIN(Form2Test)
#include "Form2Test.moc"
