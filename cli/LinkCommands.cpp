#include "cli/LinkCommands.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <memory>

#include "cli/Commands.h"
#include "cli/SetupTables.h"
#include "cli/Terminal.h"
#include "cli/WriteSignals.h"
#include "config/Codec.h"
#include "config/MemoryFields.h"
#include "files/ImageFile.h"
#include "files/TraceFile.h"
#include "files/Visible.h"
#include "state/Module10.h"

namespace kdx {
namespace {

// A bar with the byte count and the time left on a terminal; a plain line per quarter otherwise.
class ProgressPrinter {
  public:
    explicit ProgressPrinter(QTextStream& err) : err_(err), terminal_(StderrIsTerminal()) {}

    void ShowProgress(int value) {
        if (value <= 0) {
            if (shown_ && terminal_) err_ << "\n";
            shown_ = false;
            clock_.invalidate();
            drawn_.invalidate();
            return;
        }
        if (!clock_.isValid()) clock_.start();
        const int bytes = std::min<int>(value, static_cast<int>(layout::kBufferSize));
        if (terminal_) {
            // Ten redraws a second show it moving; one per byte is a write per byte, which a
            // console under wine takes a millisecond over, longer than the byte itself.
            if (bytes < static_cast<int>(layout::kBufferSize) && drawn_.isValid() &&
                drawn_.elapsed() < kRedrawMs)
                return;
            drawn_.start();
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
    QElapsedTimer drawn_;  // since the bar was last drawn
    static constexpr qint64 kRedrawMs = 100;
};

// One link session, alive for one command: the program-wide state as the window has it, its log
// lines printed as the command's results.
class Session {
  public:
    using Outcome = Module10::Outcome;

    Session(QTextStream& out, QTextStream& err) : err_(err), progress_(err) {
        QObject::connect(&state_, &Module10::Logged,
                         [&out](const QString& message) { out << message << Qt::endl; });
        QObject::connect(&state_, &Module10::Progress,
                         [this](int value) { progress_.ShowProgress(value); });
    }

    // The trace is put in place at the end, whole or marked as cut.
    ~Session() {
        FileError error;
        if (trace_ && !trace_->Save(cut_, error)) err_ << "kdx17: " << error.message << "\n";
    }

    // False, with a message, when the trace may not be written there: never one of the
    // command's own files, a device, a FIFO or a hard-linked file. Checked before the port opens,
    // so a refused trace leaves everything as it was.
    bool TraceInto(const LinkOptions& options, const QStringList& files) {
        if (options.traceFile.isEmpty()) return true;
        FileError error;
        trace_ = TraceFile::Check(options.traceFile, files, error);
        if (!trace_) {
            err_ << "kdx17: " << error.message << "\n";
            return false;
        }
        clock_.start();
        state_.SetTap(
            [this](Module10::Direction direction, std::uint8_t byte) { Trace(direction, byte); });
        return true;
    }

    // False, with a message, when the port cannot be opened.
    bool Open(const LinkOptions& options, QTextStream& err) {
        const QString device = DeviceOf(options.port);
        if (device.isEmpty()) {
            err << "kdx17: port " << options.port
                << " neexistuje (porty 1 až 6: " << PortNumbersHint() << ")\n";
            return false;
        }
        if (const PortProblem problem = state_.OpenPort(device); problem != PortProblem::kNone) {
            err << "kdx17: chyba otevreni portu " << Visible(device) << ": "
                << PortProblemWords(problem, device) << "\n";
            return false;
        }
        if (const QString note = PortNote(device); !note.isEmpty()) {
            err << "kdx17: varování: " << note << "\n";
        }
        return true;
    }

    Module10& State() { return state_; }

    // Runs a procedure to its end.
    Outcome Run(Module10::RequestHandle (Module10::*start)()) {
        // A module may still answer the end of the previous procedure; the line gets quiet
        // first, and the engine drops what came in before it starts.
        if (std::exchange(ranBefore_, true)) {
            QEventLoop quiet;
            QTimer::singleShot(kQuietBetweenProcedures, &quiet, &QEventLoop::quit);
            quiet.exec();
        }
        // A session runs one procedure at a time: nothing else can be busy.
        return (state_.*start)()->Wait();
    }

    // Ends the running procedure at its next step, as a line that went away would.
    void EndNow() {
        cut_ = true;
        state_.ClosePort();
    }

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
    void Trace(Module10::Direction direction, std::uint8_t byte) {
        static constexpr const char* kDirections[] = {"PC->KDX", "PC->KDX (neodesláno)", "KDX->PC"};
        char line[64];
        const int n = std::snprintf(line, sizeof line, "%12.6f %s %02X\n",
                                    static_cast<double>(clock_.nsecsElapsed()) / 1e9,
                                    kDirections[static_cast<int>(direction)], byte);
        trace_->Append(QByteArray(line, n));
    }

    static constexpr std::chrono::milliseconds kQuietBetweenProcedures{100};

    bool ranBefore_ = false;
    QTextStream& err_;
    ProgressPrinter progress_;
    std::optional<TraceFile> trace_;
    bool cut_ = false;
    QElapsedTimer clock_;
    Module10 state_;
};

// The whole memory, or nothing: a read that the module ended early with EM holds only part.
std::optional<ConfigBuffer> ReadImage(Session& session) {
    auto outcome = session.Run(&Module10::Read);
    if (!outcome.Succeeded() || outcome.received.size() != layout::kBufferSize) {
        return std::nullopt;
    }
    return std::move(outcome.received);
}

}  // namespace

int TestCommand(const LinkOptions& options, QTextStream& out, QTextStream& err) {
    Session session(out, err);
    if (!session.TraceInto(options, {})) return kExitBadUsage;
    if (!session.Open(options, err)) return kExitLinkFailed;
    const auto outcome = session.Run(&Module10::Test);
    return outcome.Succeeded() ? kExitOk : kExitLinkFailed;
}

int ReadCommand(const LinkOptions& options, const QString& file, QTextStream& out,
                QTextStream& err) {
    FileError error;
    const auto format = KnownFormat(file, error);
    // A file that could not take the memory is said before the module is read.
    if (!format || !CanReplaceFile(file, error)) {
        err << "kdx17: " << error.message << "\n";
        return kExitBadUsage;
    }
    Session session(out, err);
    if (!session.TraceInto(options, {file})) return kExitBadUsage;
    if (!session.Open(options, err)) return kExitLinkFailed;
    // FILE is written only once the whole memory has arrived. A .bin or .txt keeps any image,
    // also one that does not decode (an erased module); a .json needs a setup.
    const auto image = ReadImage(session);
    if (!image) {
        err << "kdx17: modul neposlal celou paměť, soubor nezapsán\n";
        return kExitLinkFailed;
    }
    // A module's memory that decodes is the session's document now, saved as the window saves it.
    if (CheckBuffer(*image) == std::nullopt) {
        return Saved(session.State().SaveFile(file, error), error, err);
    }
    if (*format == ImageFormat::Json) {
        err << "kdx17: paměť modulu nelze dekódovat (nikdy nezapsaný modul?), uložte ji jako "
               ".bin nebo .txt\n";
        return kExitLinkFailed;
    }
    err << "kdx17: varování: paměť modulu nelze dekódovat (nikdy nezapsaný modul?), "
           "uložena beze změny\n";
    return Saved(SaveImage(file, *image, error), error, err);
}

int WriteCommand(const LinkOptions& options, const QString& file, QTextStream& out,
                 QTextStream& err) {
    Session session(out, err);
    Module10& state = session.State();
    // The file is opened as the window opens it: the same setup, the same bytes go out. --raw
    // sends an image as it is, also one that does not decode, as "buff to KDX" does.
    FileError error;
    if (options.raw) {
        auto image = LoadImage(file, error);
        if (image) state.SetBuffer(std::move(*image));
    }
    if (options.raw ? state.Buffer().empty() : !state.OpenFile(file, error)) {
        err << "kdx17: " << error.message << "\n";
        return kExitBadUsage;
    }
    if (!session.TraceInto(options, {file})) return kExitBadUsage;
    // Said before the write, which goes ahead all the same: the file is what the user chose.
    if (!options.raw) {
        PrintFindings(state.Setup(), err);
        err.flush();
    }
    if (!session.Open(options, err)) return kExitLinkFailed;
    // The module's ACK is all this check needs; the window's TEST always waits its full time.
    if (!session.Run(&Module10::QuickTest).Succeeded()) {
        err << "kdx17: modul neodpovídá, zápis nezačal\n";
        return kExitLinkFailed;
    }
    Module10::Outcome written;
    bool interrupted = false;
    {
        // Only the write holds the signals off; before and after it they end the program at once.
        WriteSignals held(err, [&session] { session.EndNow(); });
        written = session.Run(options.raw ? &Module10::RawWrite : &Module10::Write);
        interrupted = held.Caught();
    }
    if (!written.Succeeded()) return kExitLinkFailed;
    if (interrupted || !options.verify) return kExitOk;

    const ConfigBuffer image = state.Buffer();  // what went out
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
