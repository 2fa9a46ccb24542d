// The main window against virtual modules on pseudo-terminals behind its port numbers.
#include <QEventLoop>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/Ports.h"
#include "config/Codec.h"
#include "link/LogMessages.h"
#include "link/qt/Platform.h"
#include "sim/VirtualModule.h"
#include "state/Module10.h"
#include "tests/support/GoldenImage.h"
#include "tests/ui/main/WindowTesting.h"
#include "ui/main/Form1.h"
#include "ui/main/Grid.h"
#include "ui/main/MainWindow.h"
#include "ui/main/TextBox.h"

using namespace kdx;
using sim::Fault;
using sim::VirtualModule;

namespace {

constexpr int kTransferLimitMs = 60000;  // a full transfer takes seconds; a hang far longer

QString Q(const std::string& text) { return QString::fromStdString(text); }

std::unique_ptr<VirtualModule> StartModule(VirtualModule::Options options = {}) {
    auto module = std::make_unique<VirtualModule>(std::move(options));
    std::string error;
    if (!module->Start(&error)) qFatal("virtual module: %s", error.c_str());
    return module;
}

SetupModel SampleSetup() {
    SetupModel setup;
    setup.commandTable[0] = CommandRow{"ZAP1", "RELE1", "SEPNUTI", "0", "ANO"};
    setup.commandTable[19] = CommandRow{"STAV", "SYSTEM", "STATUS", "0", "NE"};
    setup.phoneList[1] = PhoneEntry{"+420777123456", "0", "", "0", "", "", "", "", ""};
    setup.messageTexts.calmIn1 = "Klid";
    setup.inputSettings = InputSettings{1, 50, 0, 250};
    setup.outputDefaults = 0x7D;  // RELE1 on
    setup.sysValue = "7";
    setup.creditCode = "*22#";
    return setup;
}

}  // namespace

class Form1SerialTest : public QObject {
    Q_OBJECT

    std::unique_ptr<VirtualModule> first;   // behind COM1
    std::unique_ptr<VirtualModule> second;  // behind COM4
    std::unique_ptr<Module10> state;
    std::unique_ptr<Form1> form;
    std::unique_ptr<MainWindow> window;  // the program's window, for the tests that close it

    void StartWindow(QStringList devices) {
        form = test::OpenWindow(state, QTime(9, 30, 0), std::move(devices));
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void StartWindowWith(VirtualModule::Options options) {
        first = StartModule(std::move(options));
        StartWindow({Q(first->DevicePath())});
    }

    void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // Clicks the button and runs the event loop until the transfer it starts has ended.
    // (QTest's own waiting sleeps between its rounds of events, which would pace every step.)
    void Transfer(QAbstractButton* button) {
        Click(button);
        RunUntilIdle();
    }
    void RunUntilIdle() {
        QEventLoop loop;
        connect(state.get(), &Module10::ProcedureEnded, &loop, &QEventLoop::quit);
        QTimer::singleShot(kTransferLimitMs, &loop, &QEventLoop::quit);
        if (state->Busy()) loop.exec();
        QVERIFY(!state->Busy());
    }
    void RunFor(int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }

    QStringList Log() const {
        const Form1& shown = window ? window->Client() : *form;
        QStringList lines = shown.Text2->Text().split("\r\n", Qt::SkipEmptyParts);
        for (QString& line : lines) line = line.section(" --> ", 1);
        return lines;
    }

  private slots:
    void cleanup() {
        window.reset();
        form.reset();
        state.reset();
        first.reset();
        second.reset();
    }

    void probeGreysExactlyThePortsThatCannotBeOpened() {
        first = StartModule();
        second = StartModule();
        const auto held = StartModule();
        const auto holder = MakeSerialDevice();  // another program has this one open
        QCOMPARE(holder->Open(Q(held->DevicePath())), PortProblem::kNone);
        StartWindow({Q(first->DevicePath()), "", "/dev/kdx17-no-such-port", Q(second->DevicePath()),
                     Q(held->DevicePath())});
        const QList<QRadioButton*> options = {form->Option1, form->Option2, form->Option3,
                                              form->Option4, form->Option5, form->Option6};
        QList<bool> enabled;
        for (QRadioButton* option : options) {
            enabled << option->isEnabled();
            QVERIFY(!option->isChecked());
        }
        QCOMPARE(enabled, (QList<bool>{true, false, false, true, false, false}));
        QVERIFY(!state->PortOpen());
        QCOMPARE(form->portOpened, 0);
        QStringList tips;
        for (QRadioButton* option : options) tips << option->toolTip();
        QCOMPARE(tips, (QStringList{
                           Q(first->DevicePath()), "žádné zařízení",
                           "/dev/kdx17-no-such-port: zařízení neexistuje", Q(second->DevicePath()),
                           Q(held->DevicePath()) +
                               QString(": zařízení používá jiný program (PID %1, Form1SerialTest)")
                                   .arg(QCoreApplication::applicationPid()),
                           "žádné zařízení"}));
        QCOMPARE(Log(), QStringList{"Program spuštěn"});  // the probe logs nothing

        holder->Close();  // greyed as in use until the user asks
        form->RefreshPorts();
        QVERIFY(form->Option5->isEnabled());
        QCOMPARE(form->Option5->toolTip(), Q(held->DevicePath()));
    }

    void choosingAnotherPortClosesTheFirst() {
        first = StartModule();
        second = StartModule();
        StartWindow({Q(first->DevicePath()), "", "", Q(second->DevicePath())});
        Click(form->Option1);
        QVERIFY(state->PortOpen());
        QCOMPARE(form->portOpened, 1);
        const auto other = MakeSerialDevice();  // a port held open by us cannot be opened twice
        QCOMPARE(other->Open(Q(first->DevicePath())), PortProblem::kInUse);

        Click(form->Option4);
        form->RefreshPorts();  // never probes the open port
        QVERIFY(state->PortOpen());
        QVERIFY(form->Option4->isEnabled() && form->Option4->isChecked());
        QCOMPARE(other->Open(Q(first->DevicePath())), PortProblem::kNone);
        other->Close();
        Transfer(form->Command3);
        QCOMPARE(Log().first(), "TEST OK");  // over COM4
    }

    void testWithoutAPortFailsAtOnce() {
        StartWindowWith({});
        Click(form->Command3);
        QCOMPARE(Log().first(), "TEST ERROR");
        QVERIFY(!state->Busy());
    }

    void testWithoutAModuleFails() {
        VirtualModule::Options silent;
        silent.faults = {{Fault::Kind::kNoAnswer, 1}};
        StartWindowWith(silent);
        Click(form->Option1);
        Transfer(form->Command3);
        QCOMPARE(Log().first(), "TEST ERROR");
    }

    void readShowsTheModulesSetupThenAWriteStoresAnEdit() {
        VirtualModule::Options options;
        options.memory = EncodeSetup(SampleSetup());
        StartWindowWith(options);
        Click(form->Option1);
        Transfer(form->Command3);
        Transfer(form->Command1);

        QCOMPARE(Log().mid(0, 3), (QStringList{"Prenos OK", "Vyčítání START", "TEST OK"}));
        QCOMPARE(state->Buffer(), first->Memory());
        QCOMPARE(form->grid1->TextMatrix(1, 1), " ZAP1");
        QCOMPARE(form->grid1->TextMatrix(1, 3), "SEPNUTI");
        QCOMPARE(form->grid1->TextMatrix(1, 5), "ANO");
        QCOMPARE(form->grid1->TextMatrix(20, 3), "STATUS");
        QCOMPARE(form->grid2->TextMatrix(2, 1), " +420777123456");
        QCOMPARE(form->grid2->TextMatrix(2, 2), "0");
        QCOMPARE(form->grid2->TextMatrix(2, 4), "0");
        QCOMPARE(form->grid3->TextMatrix(4, 1), "Klid");
        QCOMPARE(form->Command8->text(), "1");
        QCOMPARE(form->Command9->text(), "0");
        QVERIFY(form->Option8->isChecked());
        QCOMPARE(form->in1->value(), 5);
        QCOMPARE(form->in2->value(), 25);
        QCOMPARE(form->sys->text(), "7");
        QCOMPARE(form->kredit->text(), "*22#");
        QCOMPARE(form->bar->value(), 0);

        Click(form->Command10);  // BYPASS on
        Transfer(form->Command2);
        QCOMPARE(Log().mid(0, 2), (QStringList{"Prenos OK", "Zápis START"}));
        ConfigBuffer expected = EncodeSetup(SampleSetup());
        expected[layout::kOutputDefaultsOffset] = 0xFD;
        QCOMPARE(first->Memory(), expected);
        QCOMPARE(form->bar->value(), 0);
    }

    void aNeverWrittenModuleLeavesTheSetup() {
        StartWindowWith({});
        const SetupModel before = state->Setup();
        Click(form->Option1);
        Transfer(form->Command1);
        QCOMPARE(Log().mid(0, 3), (QStringList{"chyba v prenosu!", "Prenos OK", "Vyčítání START"}));
        QVERIFY(state->Setup() == before);
        QCOMPARE(state->Buffer(), ConfigBuffer(layout::kBufferSize, 0xFF));
        QCOMPARE(form->grid1->TextMatrix(1, 2), "SYSTEM");
        QCOMPARE(form->bar->value(), 0);
    }

    void unpluggedLine_data() {
        QTest::addColumn<bool>("write");
        QTest::addColumn<QStringList>("newest");
        QTest::newRow("read") << false << QStringList{"chyba v prenosu!"};
        QTest::newRow("write") << true
                               << QStringList{Q(std::string(messages::kPartlyWritten)),
                                              "chyba komunikace!"};
    }
    void unpluggedLine() {
        QFETCH(bool, write);
        QFETCH(QStringList, newest);
        VirtualModule::Options options;
        options.memory = EncodeSetup(SampleSetup());
        options.faults = {{Fault::Kind::kHangUp, 300}};  // about a third of the way
        first = StartModule(options);
        second = StartModule();
        StartWindow({Q(first->DevicePath()), Q(second->DevicePath())});
        const SetupModel before = state->Setup();
        Click(form->Option1);
        Transfer(write ? form->Command2 : form->Command1);
        QCOMPARE(Log().mid(0, newest.size()), newest);
        QCOMPARE(form->bar->value(), 0);
        if (!write) QVERIFY(state->Setup() == before);
        QTRY_COMPARE(Log().mid(0, newest.size() + 1),
                     QStringList{"port COM1 není dostupný"} + newest);
        QVERIFY(!form->Option1->isChecked());

        // The user plugs in another converter and goes on.
        Click(form->Option2);
        Transfer(form->Command3);
        QCOMPARE(Log().first(), "TEST OK");
    }

    void aPortGoneSinceTheProbeIsReported() {
        StartWindowWith({});
        QVERIFY(form->Option1->isEnabled());
        first->Stop();
        Click(form->Option1);
        QCOMPARE(Log().first(), "chyba otevreni portu COM1!");
        QVERIFY(!state->PortOpen());
        QCOMPARE(form->portOpened, 0);
        Transfer(form->Command1);
        QCOMPARE(Log().first(), "chyba v prenosu!");
    }

    // An image opened and written unedited goes into the module byte for byte, also a relay row
    // with the action code that only the system table has.
    void anOpenedImageGoesInByteForByte() {
        QTemporaryDir folder;
        const ConfigBuffer image = test::Action4Image();
        QFile file(folder.filePath("backup.bin"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(image.data()), qint64(image.size()));
        file.close();
        first = StartModule();
        state = std::make_unique<Module10>([] { return QTime(9, 30, 0); });
        window = std::make_unique<MainWindow>(*state, PortMap({Q(first->DevicePath())}));
        QVERIFY(window->OpenFile(file.fileName()));
        Click(window->Client().Option1);
        Transfer(window->Client().Command2);
        QCOMPARE(Log().first(), "Prenos OK");
        QVERIFY(first->Memory() == image);
    }

    // The partial-setup line only where part of the new image may be in the module.
    void aWriteSaysPartlyWrittenOnlyAfterData_data() {
        QTest::addColumn<bool>("port");
        QTest::addColumn<int>("silentFrom");  // the module's first answer left out; 0: none
        QTest::addColumn<int>("said");
        QTest::newRow("no port") << false << 0 << 0;
        QTest::newRow("never answers") << true << 1 << 0;
        QTest::newRow("silent at data byte 400") << true << 2 * 400 + 2 << 1;
    }
    void aWriteSaysPartlyWrittenOnlyAfterData() {
        QFETCH(bool, port);
        QFETCH(int, silentFrom);
        QFETCH(int, said);
        VirtualModule::Options options;
        if (silentFrom)
            options.faults = {{Fault::Kind::kNoAnswer, static_cast<std::size_t>(silentFrom)}};
        StartWindowWith(options);
        if (port) Click(form->Option1);
        Transfer(form->Command2);
        QVERIFY(Log().contains("chyba komunikace!"));
        QCOMPARE(Log().count(Q(std::string(messages::kPartlyWritten))), said);
    }

    void closingWaitsForAWriteOnly_data() {
        QTest::addColumn<int>("command");  // 1 read, 2 write, 4 buff to KDX
        QTest::addColumn<bool>("hangUp");
        QTest::addColumn<QStringList>("log");  // newest first; empty: the window closes at once
        const QString waits = "okno se zavře po skončení zápisu";
        QTest::newRow("write") << 2 << false << QStringList{"Prenos OK", waits, "Zápis START"};
        QTest::newRow("buff to KDX")
            << 4 << false << QStringList{"Prenos OK", waits, "Zápis (buff to KD) START"};
        QTest::newRow("failing write") << 2 << true
                                       << QStringList{Q(std::string(messages::kPartlyWritten)),
                                                      "chyba komunikace!", waits, "Zápis START"};
        QTest::newRow("read") << 1 << false << QStringList{};
    }
    void closingWaitsForAWriteOnly() {
        QFETCH(int, command);
        QFETCH(bool, hangUp);
        QFETCH(QStringList, log);
        VirtualModule::Options options;
        if (hangUp) options.faults = {{Fault::Kind::kHangUp, 300}};
        first = StartModule(options);
        state = std::make_unique<Module10>([] { return QTime(9, 30, 0); });
        window = std::make_unique<MainWindow>(*state, PortMap({Q(first->DevicePath())}));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        Form1& client = window->Client();
        Click(client.Option1);
        client.Command14->click();  // "buff to KDX" sends the buffer: the encoded setup
        QAbstractButton* const buttons[] = {nullptr, client.Command1, client.Command2, nullptr,
                                            client.Command4};
        buttons[command]->click();
        RunFor(200);

        QCOMPARE(window->close(), log.isEmpty());
        QCOMPARE(window->isVisible(), !log.isEmpty());
        if (log.isEmpty()) return;
        window->close();  // asked again: said once
        RunUntilIdle();
        // A write that failed keeps the window open to show it; one that succeeded closes it.
        QTest::qWait(100);
        QCOMPARE(window->isVisible(), hangUp);
        QStringList shown = Log();
        shown.removeAll("port COM1 není dostupný");  // the hang-up, seen by the open window
        QCOMPARE(shown.mid(0, log.size()), log);
        if (hangUp) QVERIFY(window->close());  // closed again, knowing
        if (!hangUp) QCOMPARE(first->Memory(), state->Buffer());
    }

    void aVirtualModuleStartedLaterComesAndGoes() {
        QTemporaryDir runtime;  // announcements of this test's own modules only
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        const int k = static_cast<int>(MachinePorts().size()) + 1;
        if (k > kPortCount) QSKIP("the machine's own ports take COM1 to COM6");
        const auto ports = MakePortSource();
        state = std::make_unique<Module10>([] { return QTime(9, 30, 0); });
        window = std::make_unique<MainWindow>(*state, *ports);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        Form1& client = window->Client();
        QRadioButton* const option =
            QList<QRadioButton*>{client.Option1, client.Option2, client.Option3,
                                 client.Option4, client.Option5, client.Option6}[k - 1];
        QVERIFY(!option->isEnabled());

        QProcess sim;
        sim.start(KDX17_SIM, {});
        QVERIFY(sim.waitForReadyRead(10000));
        const QString device = QString::fromLocal8Bit(sim.readLine().trimmed());
        QTRY_VERIFY_WITH_TIMEOUT(option->isEnabled(), 3000);
        QCOMPARE(option->toolTip(), device);
        Click(option);
        Transfer(client.Command3);
        QCOMPARE(Log().first(), "TEST OK");

        sim.terminate();
        QVERIFY(sim.waitForFinished(10000));
        const QString gone = QString("port COM%1 není dostupný").arg(k);
        QTRY_COMPARE_WITH_TIMEOUT(Log().first(), gone, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(!option->isEnabled(), 3000);
        QVERIFY(!option->isChecked());
        QVERIFY(!state->PortOpen());
        QCOMPARE(Log().count(gone), 1);
        window.reset();
        qunsetenv("XDG_RUNTIME_DIR");
    }
};

QTEST_MAIN(Form1SerialTest)
#include "Form1SerialTest.moc"
