#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <utility>

#include "config/SetupModel.h"
#include "ui/editors/EditorHost.h"
#include "ui/editors/FlagToggle.h"

using kdx::EditorHost;
using kdx::Form3;

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

// The phone list and message texts double-clicks and the editor they open. The grids belong to
// the main window; the host gets the cell that a double-click's first click made current.
class TextEditorTest : public QObject {
    Q_OBJECT

    std::unique_ptr<kdx::SetupDocument> document;
    QStringList refreshes;  // the views that followed a change, in order
    const kdx::SetupModel& Setup() const { return document->Setup(); }
    // The setup as a test needs it, as if opened from a file; no view refresh counts.
    void Given(const std::function<void(kdx::SetupModel&)>& change) {
        kdx::SetupModel setup = document->Setup();
        change(setup);
        document->Take(setup, {}, kdx::SetupDocument::Origin::kFile);
        refreshes.clear();
    }
    std::unique_ptr<EditorHost> host;

    Form3* WaitForEditor() {
        Form3* form = host->TextEditor();
        if (form && !QTest::qWaitForWindowActive(form)) return nullptr;
        return form;
    }

  private slots:
    void init() {
        document = std::make_unique<kdx::SetupDocument>();
        document->Take(kdx::SetupModel{}, {}, kdx::SetupDocument::Origin::kDefaults);
        refreshes.clear();
        QObject::connect(document.get(), &kdx::SetupDocument::Changed, [this](int parts) {
            if (parts & kdx::SetupDocument::kCommands) refreshes << "commands";
            if (parts & kdx::SetupDocument::kPhones) refreshes << "phones";
            if (parts & kdx::SetupDocument::kTexts) refreshes << "texts";
        });
        host = std::make_unique<EditorHost>(*document);
    }

    void cleanup() { host.reset(); }

    void toggledFlag() {
        const std::pair<const char*, const char*> cases[] = {
            {"", "0"}, {"0", ""}, {"1", "1"}, {" ", " "}, {"00", "00"}};
        for (const auto& [cell, toggled] : cases) QCOMPARE(kdx::ToggledFlag(cell), toggled);
    }

    // Each flag column reaches its own cell of the row's entry, and nothing else.
    void flagDoubleClickTogglesItsCell_data() {
        QTest::addColumn<int>("col");
        for (int col = 2; col <= 8; ++col) QTest::addRow("column %d", col) << col;
    }
    void flagDoubleClickTogglesItsCell() {
        QFETCH(int, col);
        host->Grid2DoubleClick(3, col);
        kdx::PhoneEntry expected;
        expected.Cell(col - 1) = std::string("0");  // not from a literal: g++ 12 -Wrestrict
        QVERIFY(Setup().phoneList[2] == expected);
        QCOMPARE(refreshes, QStringList{"phones"});
        host->Grid2DoubleClick(3, col);
        QVERIFY(Setup().phoneList[2] == kdx::PhoneEntry{});
        QCOMPARE(refreshes, QStringList({"phones", "phones"}));
        for (std::size_t i = 0; i < Setup().phoneList.size(); ++i) {
            if (i != 2) QVERIFY(Setup().phoneList[i] == kdx::PhoneEntry{});
        }
        QVERIFY(!host->TextEditor());
    }

    void flagHoldingOtherTextStaysButRefreshes() {
        Given([&](kdx::SetupModel& s) { s.phoneList[0].flagIn1 = std::string("1"); });
        host->Grid2DoubleClick(1, 4);
        QCOMPARE(Setup().phoneList[0].flagIn1, std::string("1"));
        QCOMPARE(refreshes, QStringList{"phones"});
    }

    void numberDoubleClickEditsTheNumber() {
        Given([&](kdx::SetupModel& s) { s.phoneList[4].number = "+420123"; });
        host->Grid2DoubleClick(5, 1);
        Form3* form = WaitForEditor();
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), "KDX-17");
        QCOMPARE(form->Label2->text(), "Telefonní číslo:");
        QCOMPARE(form->Text1->text(), "+420123");
        for (QWidget* next : QWidgetList{form->Command1, form->Command2, form->Text1}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // from Text1 round
            QCOMPARE(QApplication::focusWidget(), next);
        }
        QTest::keyClick(form->Text1, Qt::Key_End);  // tabbing in selected the text
        QTest::keyClicks(form->Text1, "45");
        QTest::mouseClick(form->Command1, Qt::LeftButton);
        QCOMPARE(Q(Setup().phoneList[4].number), "+42012345");
        QCOMPARE(refreshes, QStringList({"phones"}));
        QTRY_VERIFY(!host->TextEditor());
    }

    void openEditorKeepsItsTarget() {
        Given([&](kdx::SetupModel& s) { s.phoneList[1].number = "111"; });
        host->Grid2DoubleClick(2, 1);
        Form3* form = WaitForEditor();
        QVERIFY(form);
        host->Grid3DoubleClick(4);
        QCOMPARE(host->TextEditor(), form);
        QCOMPARE(form->Label2->text(), "Telefonní číslo:");
        QCOMPARE(form->Text1->text(), "111");
        QTest::keyClicks(form->Text1, "2");
        QTest::mouseClick(form->Command1, Qt::LeftButton);
        QCOMPARE(Setup().phoneList[1].number, std::string("1112"));
        QVERIFY(Setup().messageTexts == kdx::SetupModel{}.messageTexts);
    }

    void closingDiscardsTheEditor() {
        host->Grid2DoubleClick(1, 1);
        Form3* form = WaitForEditor();
        QVERIFY(form);
        QTest::keyClicks(form->Text1, "999");
        QTest::mouseClick(form->Command2, Qt::LeftButton);
        QVERIFY(!host->TextEditor());
        QVERIFY(Setup() == kdx::SetupModel{});
        QVERIFY(refreshes.isEmpty());
        Given([&](kdx::SetupModel& s) { s.messageTexts.calmIn2 = "Klid 2"; });
        host->Grid3DoubleClick(5);  // a new window with the new target and row
        form = WaitForEditor();
        QVERIFY(form);
        QCOMPARE(form->Label2->text(), "SMS:");
        QCOMPARE(form->Text1->text(), "Klid 2");
    }

    void typingStopsAt15Characters() {
        host->Grid3DoubleClick(5);
        Form3* form = WaitForEditor();
        QVERIFY(form);
        QTest::keyClicks(form->Text1, "123456789012345X");
        QTest::mouseClick(form->Command1, Qt::LeftButton);
        QCOMPARE(Setup().messageTexts.calmIn2, std::string("123456789012345"));
        QCOMPARE(refreshes, QStringList({"texts"}));
    }

    void storedSixteenCharactersStayWhole() {
        const std::string sixteen = "ABCDEFGHIJKLMNOP";
        Given([&](kdx::SetupModel& s) { s.phoneList[0].number = sixteen; });
        Given([&](kdx::SetupModel& s) { s.phoneList[1].number = sixteen; });
        host->Grid2DoubleClick(1, 1);
        Form3* form = WaitForEditor();
        QVERIFY(form);
        QCOMPARE(form->Text1->text(), Q(sixteen));
        QTest::keyClicks(form->Text1, "Q");  // no 17th character
        QTest::mouseClick(form->Command1, Qt::LeftButton);
        QCOMPARE(Setup().phoneList[0].number, sixteen);

        host->Grid2DoubleClick(2, 1);
        form = WaitForEditor();
        QVERIFY(form);
        QTest::keyClick(form->Text1, Qt::Key_Backspace);
        QTest::keyClicks(form->Text1, "XY");  // once shortened, 15 is the limit again
        QTest::mouseClick(form->Command1, Qt::LeftButton);
        QCOMPARE(Setup().phoneList[1].number, std::string("ABCDEFGHIJKLMNO"));
    }

    void commandTableDoubleClickOpensTheRowEditor() {
        Given([&](kdx::SetupModel& s) { s.commandTable[2].smsText = "row 3"; });
        host->Grid1DoubleClick(3);
        kdx::Form2* form = host->CommandEditor();
        QVERIFY(form);
        QVERIFY(QTest::qWaitForWindowActive(form));
        QCOMPARE(form->Text2->text(), "row 3");
        QTest::mouseClick(form->Command2, Qt::LeftButton);
        QVERIFY(!host->CommandEditor());
        host->Grid1DoubleClick(1);  // a new window
        form = host->CommandEditor();
        QVERIFY(form);
        QVERIFY(QTest::qWaitForWindowActive(form));
        QCOMPARE(form->Text1->text(), "1");
        QCOMPARE(form->Text2->text(), "");
    }
};

QTEST_MAIN(TextEditorTest)
#include "TextEditorTest.moc"
