// kdx17: the setup utility's command-line companion. It shares the setup utility's memory
// format and transfer engine, so both agree byte for byte.
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/Commands.h"
#include "cli/HistoryCommand.h"
#include "cli/LinkCommands.h"
#include "cli/WriteSignals.h"
#include "state/Ports.h"

namespace {

constexpr const char* kUsage =
    "Použití: kdx17 PŘÍKAZ [VOLBY]\n"
    "         kdx17 --help | --version\n"
    "\n"
    "Příkazy s modulem KDX-17 (přes převodník PC-VORTEL):\n"
    "  test  --port P [--trace SOUBOR]                 test propojení\n"
    "  read  --port P SOUBOR [--trace SOUBOR]          přečte paměť modulu do SOUBORU\n"
    "  write --port P SOUBOR [--verify] [--raw] [--trace SOUBOR]\n"
    "                                                  zapíše SOUBOR do modulu; s --verify jej\n"
    "                                                  přečte zpět a porovná bajt po bajtu;\n"
    "                                                  nálezy kontroly vypíše předem; s --raw\n"
    "                                                  pošle obraz beze změny (i nedekódovatelný)\n"
    "Příkazy se soubory:\n"
    "  show SOUBOR                                     nastavení v tabulkách\n"
    "  diff SOUBOR1 SOUBOR2                            položky, které se liší\n"
    "  check SOUBOR                                    co modul dostane jinak nebo nebude\n"
    "                                                  fungovat (chyba, upozornění)\n"
    "  convert VSTUP VÝSTUP                            převod mezi formáty\n"
    "  defaults VÝSTUP                                 výchozí nastavení\n"
    "  sheet SOUBOR -o VÝSTUP.pdf                      přehled nastavení pro zákazníka (A4, PDF)\n"
    "Historie modulů (každý obraz přečtený z modulu a zapsaný do něj; N od nejnovějšího = 1):\n"
    "  history                                         seznam záznamů\n"
    "  history show N | export N SOUBOR | diff N M     záznam, jeho obraz do SOUBORU, rozdíly\n"
    "KDX17_HISTORY=0 v prostředí vypne zaznamenávání.\n"
    "\n"
    "P je číslo portu 1 až 6 (COM1 až COM6 jako v okně) nebo cesta k zařízení.\n"
    "Formáty podle přípony: .bin surových 1024 bajtů, .txt jedna desítková hodnota na řádek\n"
    "(CR LF, jako okno bufferu), .json nastavení s pojmenovanými položkami.\n"
    "--trace zapíše každý odeslaný a přijatý bajt s časem a směrem.\n"
    "\n"
    "Návratový kód: 0 úspěch, 1 selhal modul nebo spojení, 2 chybné použití nebo soubor;\n"
    "u diff 0 shodné, 1 liší se, 2 chybné použití nebo soubor;\n"
    "u check 0 bez nálezů, 1 s nálezy, 2 chybné použití nebo soubor.\n";

// A number names one of the ports 1 to 6; any other number is a slip, not a device path.
bool BadPortNumber(const QString& port) {
    bool number = false;
    const int k = port.toInt(&number);
    return number && (k < 1 || k > kdx::kPortCount);
}

}  // namespace

// Fonts and page layout need QtGui, which needs a platform: the offscreen one needs no display,
// so the sheet is made over ssh and in scripts alike. The other commands stay without QtGui.
static std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char* argv[]) {
    if (argc > 1 && std::strcmp(argv[1], "sheet") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QGuiApplication>(argc, argv);
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

int main(int argc, char* argv[]) {
    const auto application = MakeApplication(argc, argv);
    QCoreApplication& app = *application;
    // A reader that stops early (kdx17 read ... | head -c 1) must not cost a finished read its
    // file: writes to it fail instead of ending the program.
    kdx::SurviveClosedOutput();
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    // Qt decodes what is not UTF-8 lossily: such a file name would reach the system as another.
    for (int i = 1; i < argc; ++i) {
        if (QFile::encodeName(args[i - 1]) != argv[i]) {
            err << "kdx17: " << args[i - 1]
                << ": název není platné UTF-8, soubor tohoto jména nelze použít\n";
            return kdx::kExitBadUsage;
        }
    }
    if (args.contains("--version")) {
        out << "kdx17 " KDX_VERSION "\n";
        return kdx::kExitOk;
    }
    if (args.isEmpty() || args.contains("--help") || args.contains("-h")) {
        (args.isEmpty() ? err : out) << kUsage;
        return args.isEmpty() ? kdx::kExitBadUsage : kdx::kExitOk;
    }
    const QString command = args.takeFirst();
    const int status = [&] {
        auto usage = [&]() {
            err << "kdx17: chybné použití příkazu " << command << "\n\n" << kUsage;
            return kdx::kExitBadUsage;
        };
        if (command == "test" || command == "read" || command == "write") {
            kdx::LinkOptions options;
            QStringList files;
            while (!args.isEmpty()) {
                const QString arg = args.takeFirst();
                if ((arg == "--port" || arg == "--trace") && !args.isEmpty()) {
                    (arg == "--port" ? options.port : options.traceFile) = args.takeFirst();
                } else if (arg == "--verify" && command == "write") {
                    options.verify = true;
                } else if (arg == "--raw" && command == "write") {
                    options.raw = true;
                } else if (arg.startsWith("-")) {
                    return usage();
                } else {
                    files << arg;
                }
            }
            if (options.port.isEmpty() || BadPortNumber(options.port) ||
                files.size() != (command == "test" ? 0 : 1)) {
                return usage();
            }
            if (command == "test") return kdx::TestCommand(options, out, err);
            if (command == "read") return kdx::ReadCommand(options, files[0], out, err);
            return kdx::WriteCommand(options, files[0], out, err);
        }
        if (command == "show" && args.size() == 1) return kdx::ShowCommand(args[0], out, err);
        if (command == "diff" && args.size() == 2)
            return kdx::DiffCommand(args[0], args[1], out, err);
        if (command == "check" && args.size() == 1) return kdx::CheckCommand(args[0], out, err);
        if (command == "convert" && args.size() == 2)
            return kdx::ConvertCommand(args[0], args[1], err);
        if (command == "history") return kdx::HistoryCommand(args, out, err);
        if (command == "defaults" && args.size() == 1) return kdx::DefaultsCommand(args[0], err);
        if (command == "sheet" && args.size() == 3 && args[1] == "-o")
            return kdx::SheetCommand(args[0], args[2], err);
        return usage();
    }();
    // Said once, after the command has done its work (a read's file is saved all the same).
    out.flush();
    if (out.status() != QTextStream::Ok) err << "kdx17: standardní výstup nelze zapsat\n";
    return status;
}
