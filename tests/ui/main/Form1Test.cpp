#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include "config/Codec.h"
#include "link/qt/QtTimeOfDay.h"
#include "state/Module10.h"
#include "tests/support/GoldenImage.h"
#include "tests/ui/main/WindowTesting.h"
#include "ui/common/Metrics.h"
#include "ui/main/Form1.h"
#include "ui/main/Grid.h"
#include "ui/main/TabControl.h"
#include "ui/main/TextBox.h"

using namespace kdx;

namespace {

const QTime kNow(21, 5, 7);
constexpr int kSettingsTab = 2;

QStringList LogLines(const Form1& form) {
    QStringList lines = form.Text2->Text().split("\r\n");
    if (lines.last().isEmpty()) lines.removeLast();
    return lines;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT

    std::unique_ptr<Module10> state;
    std::unique_ptr<Form1> form;

    void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    void ClickDebugButton(QPushButton* button) { test::ClickDebugButton(*form, button); }

    // What the panel shows, in one line: the output buttons, the IN1 and IN2 options selected,
    // the slider positions.
    QString Panel() const {
        return QString("%1%2%3 %4 %5 %6 %7")
            .arg(form->Command8->text(), form->Command9->text(), form->Command10->text(),
                 form->Option7->isChecked()   ? "7"
                 : form->Option8->isChecked() ? "8"
                                              : "-",
                 form->Option10->isChecked()  ? "10"
                 : form->Option9->isChecked() ? "9"
                                              : "-")
            .arg(form->in1->value())
            .arg(form->in2->value());
    }

  private slots:
    void init() {
        form = test::OpenWindow(state, kNow);
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() {
        form.reset();
        state.reset();
    }

    void startShowsTheLinkTabLogAndHidesTheDebugTools() {
        QCOMPARE(form->SSTab1->currentIndex(), 3);
        QCOMPARE(form->SSTab1->tabText(3), QString("PC <--> GSM Pager"));
        QCOMPARE(form->windowTitle(), QString("KDX-17 setup"));
        QCOMPARE(LogLines(*form), QStringList{TimeOfDayText(kNow) + " --> Program spuštěn"});
        QVERIFY(form->Text1->isHidden());
        for (QPushButton* tool :
             {form->Command4, form->Command14, form->Command7, form->Command5, form->Command15}) {
            QVERIFY2(!tool->isVisible(), qPrintable(tool->text()));
        }
        QVERIFY(form->Command1->isVisible() && form->Command2->isVisible());
        QCOMPARE(form->bar->value(), 0);
        QCOMPARE(form->bar->maximum(), 1026);
        for (QRadioButton* port : {form->Option1, form->Option2, form->Option3, form->Option4,
                                   form->Option5, form->Option6}) {
            QVERIFY(!port->isChecked());
        }
        QVERIFY(state->Buffer().empty());
    }

    void startPanelAgreesWithTheSetup() {
        QCOMPARE(Panel(), QString("000 7 10 0 0"));
        QCOMPARE(state->Setup().outputDefaults, 0x7C);  // as the buttons show, not 0xFF
        QCOMPARE(state->Setup().inputSettings, InputSettings{});
        QCOMPARE(form->sys->text(), QString("0"));
        QVERIFY(form->sys->isReadOnly());
        QCOMPARE(form->kredit->text(), QString());
        QVERIFY(!form->udrzeni->isChecked());
    }

    void startGridsShowTheDefaults() {
        const QStringList commandTitles = {"č.", "Tvar SMS", "Výstup", "Akce", "Čas/s", "Oznam"};
        for (int c = 0; c < 6; ++c) QCOMPARE(form->grid1->TextMatrix(0, c), commandTitles[c]);
        for (int r = 1; r <= 20; ++r) {
            const QStringList row = {QString::number(r), " ", "SYSTEM", "TEST", "0", "NE"};
            for (int c = 0; c < 6; ++c) QCOMPARE(form->grid1->TextMatrix(r, c), row[c]);
        }
        const QStringList phoneTitles = {"č.",  "Telefonní č.", "CALL", "SMS",    "IN1",
                                         "IN2", "SYS",          "Ring", "Monitor"};
        for (int c = 0; c < 9; ++c) QCOMPARE(form->grid2->TextMatrix(0, c), phoneTitles[c]);
        for (int r = 1; r <= 10; ++r) {
            QCOMPARE(form->grid2->TextMatrix(r, 0), QString::number(r));
            QCOMPARE(form->grid2->TextMatrix(r, 1), QString(" "));
            for (int c = 2; c < 9; ++c) QCOMPARE(form->grid2->TextMatrix(r, c), QString());
        }
        const QStringList texts[] = {{"Položka", "Tvar odesílané sms"},
                                     {"Název pageru", "KDX-17 :"},
                                     {"Poplach z IN1", "Poplach IN1"},
                                     {"Poplach z IN2", "Poplach IN2"},
                                     {"Zklidnění IN1", ""},
                                     {"Zklidnění IN2", ""}};
        for (int r = 0; r < 6; ++r) {
            QCOMPARE(form->grid3->TextMatrix(r, 0), texts[r][0]);
            QCOMPARE(form->grid3->TextMatrix(r, 1), texts[r][1]);
        }
    }

    void emptyTimeShowsAndStaysAsZero() {
        test::EditSetup(*state, [](SetupModel& setup) { setup.commandTable[4].time = ""; });
        QCOMPARE(form->grid1->TextMatrix(5, 4), QString("0"));
        QCOMPARE(Q(state->Setup().commandTable[4].time), QString("0"));
    }

    void controlsStandWhereTheLayoutPutsThem() {
        struct Place {
            QWidget* control;
            QWidget* container;
            QRect twips;
        };
        const Place places[] = {{form->SSTab1, form.get(), {120, 960, 9255, 4455}},
                                {form->Command5, form.get(), {3840, 5520, 1335, 255}},
                                {form->bar, form.get(), {0, 5760, 9495, 255}},
                                {form->grid1, form->SSTab1, {360, 900, 8415, 3015}},
                                {form->Frame6, form->SSTab1, {240, 720, 2295, 1455}},
                                {form->Text1, form->SSTab1, {8280, 960, 735, 3015}},
                                {form->Command10, form->Frame1, {1560, 600, 495, 375}},
                                {form->sys, form->Frame9, {240, 480, 615, 285}}};
        Click(form->Check2);  // Text1 and Command5 show in debug mode only
        for (const Place& place : places) {
            const QRect& t = place.twips;
            const QRect expected(QPoint(TwipsToPixels(t.left()), TwipsToPixels(t.top())),
                                 QPoint(TwipsToPixels(t.left() + t.width()) - 1,
                                        TwipsToPixels(t.top() + t.height()) - 1));
            int seen = 0;
            for (int tab = 0; tab < form->SSTab1->count(); ++tab) {
                form->SSTab1->setCurrentIndex(tab);  // every page keeps its places
                if (!place.control->isVisible()) continue;
                ++seen;
                const QPoint at = place.control->mapTo(place.container, QPoint(0, 0));
                QCOMPARE(QRect(at, place.control->size()), expected);
            }
            QVERIFY(seen > 0);
        }
    }

    void outputButtonsComposeTheByte_data() {
        QTest::addColumn<QList<int>>("clicks");  // 8, 9, 10: Command8, Command9, Command10
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("byte");
        QTest::newRow("none") << QList<int>{} << "000" << 124;
        QTest::newRow("RELE1") << QList<int>{8} << "100" << 125;
        QTest::newRow("RELE2") << QList<int>{9} << "010" << 126;
        QTest::newRow("BYPASS") << QList<int>{10} << "001" << 252;
        QTest::newRow("all") << QList<int>{8, 9, 10} << "111" << 255;
        QTest::newRow("RELE1 twice") << QList<int>{8, 8} << "000" << 124;
    }
    void outputButtonsComposeTheByte() {
        QFETCH(QList<int>, clicks);
        QFETCH(QString, shown);
        QFETCH(int, byte);
        form->SSTab1->setCurrentIndex(kSettingsTab);
        for (int button : clicks) {
            Click(button == 8 ? form->Command8 : button == 9 ? form->Command9 : form->Command10);
        }
        if (clicks.isEmpty()) Click(form->Option7);
        QCOMPARE(Panel().left(3), shown);
        QCOMPARE(int{state->Setup().outputDefaults}, byte);
    }

    void otherCaptionOnlyCollects() {
        form->SSTab1->setCurrentIndex(kSettingsTab);
        form->Command8->setText("2");  // reads as 2, so RELE1 counts as on
        Click(form->Command8);
        QCOMPARE(form->Command8->text(), QString("2"));
        QCOMPARE(int{state->Setup().outputDefaults}, 0x7D);
    }

    void optionsCollectThePolarities() {
        form->SSTab1->setCurrentIndex(kSettingsTab);
        Click(form->Option8);
        QCOMPARE(state->Setup().inputSettings.in1Polarity, 1);
        QCOMPARE(state->Setup().inputSettings.in2Polarity, 0);
        Click(form->Option9);
        QCOMPARE(state->Setup().inputSettings.in2Polarity, 1);
        Click(form->Option7);
        Click(form->Option10);
        QCOMPARE(state->Setup().inputSettings, InputSettings{});
    }

    void slidersCollectTheInsensitivity_data() {
        QTest::addColumn<int>("input");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("stored");
        for (int input : {1, 2}) {
            const QByteArray in = "IN" + QByteArray::number(input) + " ";
            QTest::newRow(in + "back to 0")
                << input << QList<int>{Qt::Key_End, Qt::Key_Home} << 0 << 1;
            QTest::newRow(in + "1") << input << QList<int>{Qt::Key_Right} << 1 << 10;
            QTest::newRow(in + "5") << input << QList<int>{Qt::Key_PageUp} << 5 << 50;
            QTest::newRow(in + "25") << input << QList<int>{Qt::Key_End} << 25 << 250;
        }
    }
    void slidersCollectTheInsensitivity() {
        QFETCH(int, input);
        QFETCH(QList<int>, keys);
        QFETCH(int, position);
        QFETCH(int, stored);
        form->SSTab1->setCurrentIndex(kSettingsTab);
        QSlider* slider = input == 1 ? form->in1 : form->in2;
        for (int key : keys) QTest::keyClick(slider, Qt::Key(key));
        QCOMPARE(slider->value(), position);
        const InputSettings& in = state->Setup().inputSettings;
        QCOMPARE(int{input == 1 ? in.in1Insensitivity : in.in2Insensitivity}, stored);
        QCOMPARE(int{input == 1 ? in.in2Insensitivity : in.in1Insensitivity}, 1);  // from in2 at 0
    }

    void showIoPanelShowsAndStoresNothingBack_data() {
        QTest::addColumn<int>("outputs");
        QTest::addColumn<int>("polarity1");
        QTest::addColumn<int>("polarity2");
        QTest::addColumn<int>("insensitivity1");
        QTest::addColumn<int>("insensitivity2");
        QTest::addColumn<QString>("panel");
        QTest::newRow("at zero") << 0x00 << 0 << 0 << 1 << 7 << "000 7 10 0 0";
        QTest::newRow("rounded down") << 0x81 << 1 << 0 << 15 << 250 << "101 8 10 1 25";
        QTest::newRow("any polarity") << 0xFE << 200 << 1 << 255 << 10 << "011 8 9 25 1";
    }
    void showIoPanelShowsAndStoresNothingBack() {
        QFETCH(int, outputs);
        QFETCH(int, polarity1);
        QFETCH(int, polarity2);
        QFETCH(int, insensitivity1);
        QFETCH(int, insensitivity2);
        QFETCH(QString, panel);
        form->SSTab1->setCurrentIndex(kSettingsTab);
        Click(form->Command9);  // the panel no longer shows the start state
        test::EditSetup(*state, [&](SetupModel& setup) {
            setup.outputDefaults = static_cast<std::uint8_t>(outputs);
            setup.inputSettings = {
                static_cast<std::int16_t>(polarity1), static_cast<std::int16_t>(insensitivity1),
                static_cast<std::int16_t>(polarity2), static_cast<std::int16_t>(insensitivity2)};
        });
        const SetupModel before = state->Setup();
        form->ShowIoPanel();
        QCOMPARE(Panel(), panel);
        QVERIFY(state->Setup() == before);
    }

    void unlockMakesSysEditable() {
        form->SSTab1->setCurrentIndex(kSettingsTab);
        QTest::keyClicks(form->sys, "5");
        QCOMPARE(form->sys->text(), QString("0"));
        Click(form->Check1);
        QVERIFY(!form->sys->isReadOnly());
        form->sys->setFocus();
        QTest::keyClick(form->sys, Qt::Key_End);
        QTest::keyClick(form->sys, Qt::Key_Backspace);
        QTest::keyClicks(form->sys, "12");
        QCOMPARE(form->sys->text(), QString("12"));
        QCOMPARE(Q(state->Setup().sysValue), QString("12"));
        Click(form->Check1);
        QVERIFY(form->sys->isReadOnly());
        QTest::keyClicks(form->sys, "3");
        QCOMPARE(form->sys->text(), QString("12"));
        SetupModel expected;
        expected.sysValue = "12";
        expected.outputDefaults = 0x7C;
        QVERIFY(state->Setup() == expected);  // the box changes the SYS value only
    }

    void sysTakesDigitsUpTo255_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("byte");
        QTest::newRow("255") << "255"
                             << "255" << 255;
        QTest::newRow("300 clamped") << "300"
                                     << "255" << 255;
        QTest::newRow("999 clamped") << "999"
                                     << "255" << 255;
        QTest::newRow("letters dropped") << "1a2"
                                         << "12" << 12;
        QTest::newRow("three characters") << "0042"
                                          << "004" << 4;
    }
    void sysTakesDigitsUpTo255() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, byte);
        form->SSTab1->setCurrentIndex(kSettingsTab);
        Click(form->Check1);
        form->sys->setFocus();
        QTest::keyClick(form->sys, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(form->sys, typed);
        QCOMPARE(form->sys->text(), shown);
        QCOMPARE(Q(state->Setup().sysValue), shown);
        ClickDebugButton(form->Command14);
        QCOMPARE(int{state->Buffer().at(644)}, byte);
    }

    void creditControlsFeedTheSetup() {
        form->SSTab1->setCurrentIndex(kSettingsTab);
        form->kredit->setFocus();
        QTest::keyClicks(form->kredit, "*22#456789012345678");
        QCOMPARE(form->kredit->text(), QString("*22#456789012345"));  // the field's 16
        QCOMPARE(Q(state->Setup().creditCode), QString("*22#456789012345"));
        form->SSTab1->setCurrentIndex(1);
        Click(form->udrzeni);
        QVERIFY(state->Setup().creditKeepAlive);
        Click(form->udrzeni);
        QVERIFY(!state->Setup().creditKeepAlive);
    }

    void debugShowsAndHidesTheTools() {
        QWidget* const tools[] = {form->Text1,    form->Command4, form->Command14,
                                  form->Command7, form->Command5, form->Command15};
        const SetupModel before = state->Setup();
        Click(form->Check2);
        for (QWidget* tool : tools) QVERIFY(tool->isVisible());
        form->Text1->SetText("12\r\n");
        Click(form->Check2);
        for (QWidget* tool : tools) QVERIFY(!tool->isVisible());
        Click(form->Check2);
        QCOMPARE(form->Text1->Text(), QString("12\r\n"));
        QVERIFY(state->Setup() == before);
        QVERIFY(state->Buffer().empty());
    }

    // A control the keyboard reaches looks different while it has the focus.
    void everyFocusableControlShowsItsFocus() {
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        Click(form->Check2);  // the debug tools too
        // Styles mark the focus once the keyboard has moved it.
        QTest::keyClick(form->Check2, Qt::Key_Tab);
        QStringList unmarked;
        for (int tab = 0; tab < form->SSTab1->count(); ++tab) {
            form->SSTab1->setCurrentIndex(tab);
            for (QWidget* control : form->findChildren<QWidget*>()) {
                // A control that hands its focus on (the tabs to their strip) is seen there.
                if (!control->isVisible() || !control->isEnabled() ||
                    !(control->focusPolicy() & Qt::TabFocus) || control->focusProxy()) {
                    continue;
                }
                form->setFocus();
                const QImage plain = control->grab().toImage();
                control->setFocus(Qt::TabFocusReason);
                QVERIFY2(control->hasFocus(), control->metaObject()->className());
                if (control->grab().toImage() == plain) {
                    unmarked << QString("%1 %2 on tab %3")
                                    .arg(control->metaObject()->className())
                                    .arg(control->property("text").toString())
                                    .arg(tab + 1);
                }
            }
        }
        QCOMPARE(unmarked.join(", "), QString());
    }

    void setupToBufferGivesTheImage() {
        ClickDebugButton(form->Command14);
        QCOMPARE(state->Buffer(), test::GoldenImage());
        QCOMPARE(LogLines(*form).size(), 1);
    }

    void buffToSetupShowsTheImage() {
        ConfigBuffer image = test::GoldenImage();
        std::copy_n("ZAP", 3, image.begin());
        image[640] = 1;    // IN1 alarm on opening
        image[641] = 15;   // shows as 1 s
        image[643] = 250;  // 25 s
        image[644] = 200;  // SYS
        image[645] = 0x81;
        image[646] = '1';
        image[655] = '1';
        image[656] = '2';
        image[657] = 0xA5;
        std::copy_n("*22#", 4, image.begin() + 715);
        std::copy_n("+420123", 7, image.begin() + 768);
        image[928] = 0x21;
        std::copy_n("Klid", 4, image.begin() + 944 + 64);
        state->SetBuffer(image);
        ClickDebugButton(form->Command5);

        const QStringList row1 = {"1", " ZAP", "RELE1", "IMPULS", "5", "ANO"};
        for (int c = 0; c < 6; ++c) QCOMPARE(form->grid1->TextMatrix(1, c), row1[c]);
        const QStringList entry1 = {"1", " +420123", "0", "", "0", "", "", "", ""};
        for (int c = 0; c < 9; ++c) QCOMPARE(form->grid2->TextMatrix(1, c), entry1[c]);
        QCOMPARE(form->grid3->TextMatrix(5, 1), QString("Klid"));
        QCOMPARE(Panel(), QString("101 8 10 1 25"));
        QCOMPARE(form->sys->text(), QString("200"));
        QCOMPARE(form->kredit->text(), QString("*22#"));
        QVERIFY(form->udrzeni->isChecked());
        QCOMPARE(state->Setup().inputSettings.in1Insensitivity, 15);  // as decoded, not as shown
        QCOMPARE(int{state->Setup().outputDefaults}, 0x81);
        QCOMPARE(state->Buffer(), image);
        QCOMPARE(LogLines(*form).size(), 1);
    }

    void buffToSetupRefusesABadImage_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("offset");  // of a byte spoilt with 0xFF, or -1
        QTest::newRow("empty") << 0 << -1;
        QTest::newRow("one byte short") << 1023 << -1;
        QTest::newRow("credit switch") << 1024 << 646;
        QTest::newRow("output code") << 1024 << 655 + 3 * 7;
        QTest::newRow("action code") << 1024 << 656 + 3 * 19;
    }
    void buffToSetupRefusesABadImage() {
        QFETCH(int, size);
        QFETCH(int, offset);
        ConfigBuffer image = test::GoldenImage();
        std::copy_n("ZAP", 3, image.begin());
        image.resize(static_cast<std::size_t>(size));
        if (offset >= 0) image[static_cast<std::size_t>(offset)] = 0xFF;
        state->SetBuffer(image);
        test::EditSetup(*state, [](SetupModel& setup) { setup.commandTable[0].output = "RELE2"; });
        const SetupModel before = state->Setup();
        ClickDebugButton(form->Command5);
        QVERIFY(state->Setup() == before);
        QCOMPARE(form->grid1->TextMatrix(1, 1), QString(" "));
        QCOMPARE(form->grid1->TextMatrix(1, 2), QString("RELE2"));
        const QStringList lines = LogLines(*form);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.first(), TimeOfDayText(kNow) + " --> chyba dekodovani!");
    }

    void logPutsTheNewestLineFirst() {
        form->LogMessage("Vyčítání START");
        form->LogMessage("Prenos OK");
        const QString stamp = TimeOfDayText(kNow);
        QCOMPARE(form->Text2->Text(), stamp + " --> Prenos OK\r\n" + stamp +
                                          " --> Vyčítání START\r\n" + stamp +
                                          " --> Program spuštěn\r\n");
    }
};

QTEST_MAIN(Form1Test)
#include "Form1Test.moc"
