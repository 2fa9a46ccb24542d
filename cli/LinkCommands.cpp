#include "cli/LinkCommands.h"

#include <unistd.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <memory>

#include "cli/Commands.h"
#include "cli/MemoryFields.h"
#include "cli/SetupTables.h"
#include "cli/WriteSignals.h"
#include "config/Codec.h"
#include "files/ImageFile.h"
#include "link/LogMessages.h"
#include "link/qt/Link.h"
#include "link/qt/PortMap.h"

namespace kdx {
namespace {

// The log messages as the command's results, one line each.
class PrintedLog : public MessageLog {
  public:
    explicit PrintedLog(QTextStream& out) : out_(out) {}
    void LogMessage(std::string_view message) override {
        out_ << QString::fromUtf8(message.data(), qsizetype(message.size())) << Qt::endl;
    }

  private:
    QTextStream& out_;
};

// A bar with the byte count and the time left on a terminal; a plain line per quarter otherwise.
class ProgressPrinter : public ProgressDisplay {
  public:
    explicit ProgressPrinter(QTextStream& err) : err_(err), terminal_(isatty(STDERR_FILENO)) {}

    void ShowProgress(int value) override {
        if (value <= 0) {
            if (shown_ && terminal_) err_ << "\n";
            shown_ = false;
            clock_.invalidate();
            return;
        }
        if (!clock_.isValid()) clock_.start();
        const int bytes = std::min<int>(value, static_cast<int>(layout::kBufferSize));
        if (terminal_) {
            const double seconds = static_cast<double>(clock_.elapsed()) / 1000.0;
            const double left = bytes > 1 ? seconds / bytes * (1024 - bytes) : 0.0;
            const int filled = bytes * 30 / 1024;
            err_ << "\r[" << QString(filled, '#') << QString(30 - filled, '.') << "] "
                 << QString("%1/1024 B, zbývá %2 s ").arg(bytes, 4).arg(left, 0, 'f', 1);
            err_.flush();
        } else if (bytes % 256 == 0 && bytes != lastLine_) {
            err_ << bytes << "/1024 B" << Qt::endl;
            lastLine_ = bytes;
        }
        shown_ = true;
    }

  private:
    QTextStream& err_;
    bool terminal_;
    bool shown_ = false;
    int lastLine_ = 0;
    QElapsedTimer clock_;
};

// One link session, alive for one command.
class Session {
  public:
    using Outcome = Link::Outcome;

    Session(QTextStream& out, QTextStream& err) : log_(out), progress_(err) {}

    // False, with a message, when the port cannot be opened or the trace file not created.
    bool Open(const LinkOptions& options, QTextStream& err) {
        if (!options.traceFile.isEmpty()) {
            trace_ = std::make_unique<QFile>(options.traceFile);
            if (!trace_->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                err << "kdx17: " << options.traceFile << ": " << trace_->errorString() << "\n";
                return false;
            }
            clock_.start();
            link_.SetTap(
                [this](Link::Direction direction, std::uint8_t byte) { Trace(direction, byte); });
        }
        const QString device = DeviceOf(options.port);
        if (device.isEmpty()) {
            err << "kdx17: port " << options.port
                << " neexistuje (porty 1 až 6: " << PortNumbersHint() << ")\n";
            return false;
        }
        if (const PortProblem problem = link_.Open(device); problem != PortProblem::kNone) {
            err << "kdx17: chyba otevreni portu " << device << ": " << PortProblemText(problem)
                << "\n";
            return false;
        }
        return true;
    }

    // Runs a procedure to its end.
    Outcome Run(const std::function<bool(TransferEngine&)>& start) {
        // A module may still answer the end of the previous procedure; the line gets quiet
        // first, and the engine drops what came in before it starts.
        if (std::exchange(ranBefore_, true)) {
            QEventLoop quiet;
            QTimer::singleShot(kQuietBetweenProcedures, &quiet, &QEventLoop::quit);
            quiet.exec();
        }
        return link_.Run(start);
    }

    // Ends the running procedure at its next step, as a line that went away would.
    void EndNow() { link_.Close(); }

  private:
    static QString DeviceOf(const QString& port) {
        bool number = false;
        const int k = port.toInt(&number);
        return number ? PortMap().Device(k) : port;
    }
    static QString PortNumbersHint() {
        const PortMap ports;
        QStringList names;
        for (int k = 1; k <= kPortCount; ++k) {
            const QString device = ports.Device(k);
            names << QString("%1 = %2").arg(k).arg(device.isEmpty() ? "-" : device);
        }
        return names.join(", ");
    }

    // Every byte on the wire with the time since the session began and its direction.
    void Trace(Link::Direction direction, std::uint8_t byte) {
        static constexpr const char* kDirections[] = {"PC->KDX", "PC->KDX (neodesláno)", "KDX->PC"};
        char line[64];
        const int n = std::snprintf(line, sizeof line, "%12.6f %s %02X\n",
                                    static_cast<double>(clock_.nsecsElapsed()) / 1e9,
                                    kDirections[static_cast<int>(direction)], byte);
        trace_->write(line, n);
    }

    static constexpr std::chrono::milliseconds kQuietBetweenProcedures{100};

    bool ranBefore_ = false;
    PrintedLog log_;
    ProgressPrinter progress_;
    std::unique_ptr<QFile> trace_;
    QElapsedTimer clock_;
    Link link_{log_, progress_};
};

// The whole memory, or nothing: a read that the module ended early with EM holds only part.
std::optional<ConfigBuffer> ReadImage(Session& session) {
    auto outcome = session.Run([](TransferEngine& engine) { return engine.StartRead(); });
    if (!outcome.Succeeded() || outcome.received.size() != layout::kBufferSize) {
        return std::nullopt;
    }
    return std::move(outcome.received);
}

}  // namespace

int TestCommand(const LinkOptions& options, QTextStream& out, QTextStream& err) {
    Session session(out, err);
    if (!session.Open(options, err)) return kExitLinkFailed;
    const auto outcome = session.Run([](TransferEngine& engine) { return engine.StartTest(); });
    return outcome.Succeeded() ? kExitOk : kExitLinkFailed;
}

int ReadCommand(const LinkOptions& options, const QString& file, QTextStream& out,
                QTextStream& err) {
    FileError formatError;
    const auto format = KnownFormat(file, formatError);
    if (!format) {
        err << "kdx17: " << formatError.message << "\n";
        return kExitBadUsage;
    }
    Session session(out, err);
    if (!session.Open(options, err)) return kExitLinkFailed;
    // FILE is written only once the whole memory has arrived. A .bin or .txt keeps any image,
    // also one that does not decode (an erased module); a .json needs a setup.
    const auto image = ReadImage(session);
    if (!image) {
        err << "kdx17: modul neposlal celou paměť, soubor nezapsán\n";
        return kExitLinkFailed;
    }
    SetupModel setup;
    if (!DecodeBuffer(*image, setup)) {
        if (*format == ImageFormat::Json) {
            err << "kdx17: paměť modulu nelze dekódovat (nikdy nezapsaný modul?), uložte ji jako "
                   ".bin nebo .txt\n";
            return kExitLinkFailed;
        }
        err << "kdx17: varování: paměť modulu nelze dekódovat (nikdy nezapsaný modul?), "
               "uložena beze změny\n";
    }
    FileError error;
    return Saved(SaveImage(file, *image, error), error, err);
}

int WriteCommand(const LinkOptions& options, const QString& file, QTextStream& out,
                 QTextStream& err) {
    FileError error;
    const auto loaded = LoadImageFile(file, error);
    if (!loaded) {
        err << "kdx17: " << error.message << "\n";
        return kExitBadUsage;
    }
    const ConfigBuffer& image = loaded->image;
    // Said before the write, which goes ahead all the same: the file is what the user chose.
    // An image that does not decode has no setup to check; it is written as it is.
    if (const auto setup = FileSetup(*loaded)) {
        PrintFindings(*setup, err);
        err.flush();
    }
    Session session(out, err);
    if (!session.Open(options, err)) return kExitLinkFailed;
    // The module's ACK is all this check needs; the window's TEST always waits its full time.
    if (!session.Run([](TransferEngine& engine) { return engine.StartQuickTest(); }).Succeeded()) {
        err << "kdx17: modul neodpovídá, zápis nezačal\n";
        return kExitLinkFailed;
    }
    Link::Outcome written;
    bool interrupted = false;
    {
        // Only the write holds the signals off; before and after it they end the program at once.
        WriteSignals held(err, [&session] { session.EndNow(); });
        written = session.Run([&](TransferEngine& engine) { return engine.StartRawWrite(image); });
        interrupted = held.Caught();
    }
    if (!written.Succeeded()) {
        err << "kdx17: " << QString::fromUtf8(messages::kPartlyWritten) << "\n";
        return kExitLinkFailed;
    }
    if (interrupted || !options.verify) return kExitOk;

    // The bytes are compared, whatever they decode to.
    const auto readBack = ReadImage(session);
    if (!readBack) {
        err << "kdx17: ověření: čtení selhalo\n";
        return kExitLinkFailed;
    }
    const auto differing = DifferingFields(image, *readBack);
    for (const MemoryField& field : differing) {
        err << "kdx17: ověření: " << QString::fromStdString(field.name) << ": zapsáno "
            << Visible(QString::fromStdString(DescribeField(field, image))) << ", v modulu "
            << Visible(QString::fromStdString(DescribeField(field, *readBack))) << "\n";
    }
    if (!differing.empty()) return kExitLinkFailed;
    out << "ověření OK" << Qt::endl;
    return kExitOk;
}

}  // namespace kdx
