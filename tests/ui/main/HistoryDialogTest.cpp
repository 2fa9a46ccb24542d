// Soubor → Historie modulů against a virtual module: an entry opened and written goes into the
// module byte for byte.
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "config/Codec.h"
#include "sim/VirtualModule.h"
#include "state/Journal.h"
#include "state/Module10.h"
#include "tests/support/PrivateHome.h"
#include "ui/main/Form1.h"
#include "ui/main/HistoryDialog.h"
#include "ui/main/MainWindow.h"

namespace kdx {

class HistoryDialogTest : public QObject, private test::PrivateHome {
    Q_OBJECT

    static ConfigBuffer Named(const char* name) {
        SetupModel setup;
        setup.messageTexts.pagerName = name;
        setup.phoneList[3].number = "+420603111222";
        return EncodeSetup(setup);
    }

  private slots:
    void anOpenedEntryIsWrittenBackExactly() {
        // A byte no setup field holds: encoding the setup again would lose it.
        ConfigBuffer backup = Named("Sklad");
        backup.back() = 0x5A;
        const auto decoded = StoredSetup(backup);
        QVERIFY(decoded);
        QVERIFY(EncodeSetup(*decoded) != backup);
        Journal journal;
        QString why;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QVERIFY(journal.Add(
            {{}, now.addDays(-1), "/dev/ttyUSB0", TransferEngine::kReadMode, true, 0, "OK", backup},
            why));
        QVERIFY(journal.Add(
            {{}, now, "/dev/ttyUSB0", TransferEngine::kWriteMode, true, 1024, "OK", Named("Dílna")},
            why));

        sim::VirtualModule module({});
        std::string error;
        QVERIFY2(module.Start(&error), error.c_str());
        Module10 state;
        MainWindow window(state, PortMap({QString::fromStdString(module.DevicePath())}));
        window.show();
        // The setting is the one kdx17 follows too.
        QVERIFY(window.historyOnAction->isChecked());
        window.historyOnAction->trigger();
        QVERIFY(!Journal::Enabled());
        window.historyOnAction->trigger();
        QVERIFY(Journal::Enabled());
        window.historyAction->trigger();
        auto* dialog = window.findChild<HistoryDialog*>();
        QVERIFY(dialog);
        QCOMPARE(dialog->list->topLevelItemCount(), 2);
        QCOMPARE(dialog->list->topLevelItem(0)->text(4), "\"Dílna\" +420603111222");
        dialog->list->setCurrentItem(dialog->list->topLevelItem(1));
        QTest::mouseClick(dialog->openButton, Qt::LeftButton);
        QCOMPARE(state.Setup().messageTexts.pagerName, "Sklad");

        dialog->list->setCurrentItem(dialog->list->topLevelItem(0));
        QTest::mouseClick(dialog->compareButton, Qt::LeftButton);
        QVERIFY2(dialog->details->toPlainText().contains("texts.pagerName: \"Dílna\" -> \"Sklad\""),
                 qPrintable(dialog->details->toPlainText()));

        QTest::mouseClick(window.Client().Option1, Qt::LeftButton);
        QEventLoop loop;
        connect(&state, &Module10::ProcedureEnded, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        QTest::mouseClick(window.Client().Command2, Qt::LeftButton);
        if (state.Busy()) loop.exec();
        QCOMPARE(module.Memory(), backup);
        // The write is the newest entry now.
        dialog->Fill();
        QCOMPARE(dialog->list->topLevelItemCount(), 3);
        QCOMPARE(dialog->Entries().front().image, backup);
    }
};

}  // namespace kdx

QTEST_MAIN(kdx::HistoryDialogTest)
#include "HistoryDialogTest.moc"
