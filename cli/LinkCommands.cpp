#include "cli/LinkCommands.h"

#include <unistd.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <memory>
#include <utility>

#include "cli/Commands.h"
#include "cli/MemoryFields.h"
#include "config/Codec.h"
#include "files/ImageFile.h"
#include "link/LogMessages.h"
#include "link/TransferEngine.h"
#include "link/qt/PortMap.h"
#include "link/qt/QtSerialPort.h"
#include "link/qt/QtTransferDriver.h"
#include "link/qt/QtTransferTimer.h"

namespace kdx {
namespace {

// Every byte on the wire with the time since the session began and its direction.
class TracingPort : public SerialPort {
  public:
    explicit TracingPort(SerialPort& port) : port_(port) { clock_.start(); }
    void TraceInto(QFile* trace) { trace_ = trace; }

    bool Output(std::uint8_t byte) override {
        const bool sent = port_.Output(byte);
        Note(sent ? "PC->KDX" : "PC->KDX (neodesláno)", byte);
        return sent;
    }
    std::optional<Bytes> Input() override {
        auto bytes = port_.Input();
        if (bytes) {
            for (std::uint8_t byte : *bytes) Note("KDX->PC", byte);
        }
        return bytes;
    }
    std::size_t Waiting() override { return port_.Waiting(); }

  private:
    void Note(const char* direction, std::uint8_t byte) {
        if (!trace_) return;
        char line[64];
        const int n =
            std::snprintf(line, sizeof line, "%12.6f %s %02X\n",
                          static_cast<double>(clock_.nsecsElapsed()) / 1e9, direction, byte);
        trace_->write(line, n);
    }

    SerialPort& port_;
    QFile* trace_ = nullptr;
    QElapsedTimer clock_;
};

// The log messages as the command's results, one line each, and remembered for the verdict.
class PrintedLog : public MessageLog {
  public:
    explicit PrintedLog(QTextStream& out) : out_(out) {}
    void LogMessage(std::string_view message) override {
        last_ = std::string(message);
        out_ << QString::fromUtf8(message.data(), qsizetype(message.size())) << Qt::endl;
    }
    const std::string& Last() const { return last_; }

  private:
    QTextStream& out_;
    std::string last_;
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

// One link session: the port, the engine and its Qt driver, alive for one command.
class Session {
  public:
    Session(QTextStream& out, QTextStream& err)
        : log_(out),
          progress_(err),
          tracing_(port_),
          engine_(tracing_, timer_, log_, progress_, setup_, buffer_),
          driver_(engine_, port_, timer_) {}

    // False, with a message, when the port cannot be opened or the trace file not created.
    bool Open(const LinkOptions& options, QTextStream& err) {
        if (!options.traceFile.isEmpty()) {
            trace_ = std::make_unique<QFile>(options.traceFile);
            if (!trace_->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                err << "kdx17: " << options.traceFile << ": " << trace_->errorString() << "\n";
                return false;
            }
            tracing_.TraceInto(trace_.get());
        }
        const QString device = DeviceOf(options.port);
        if (device.isEmpty()) {
            err << "kdx17: port " << options.port
                << " neexistuje (porty 1 až 6: " << PortNumbersHint() << ")\n";
            return false;
        }
        if (!port_.Open(device)) {
            err << "kdx17: chyba otevreni portu " << device << "!\n";
            return false;
        }
        port_.SetRts(true);  // as the window does; a line without modem lines refuses, harmlessly
        return true;
    }

    // Starts a procedure and runs the event loop until the engine is idle again.
    template <typename Start>
    const std::string& Run(Start start) {
        // A module may still answer the end of the previous procedure; the line gets quiet
        // first, and the engine drops what came in before it starts.
        if (std::exchange(ranBefore_, true)) {
            QEventLoop quiet;
            QTimer::singleShot(kQuietBetweenProcedures, &quiet, &QEventLoop::quit);
            quiet.exec();
        }
        QEventLoop loop;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
            if (engine_.Idle()) loop.quit();
        });
        watch.start(2);
        (engine_.*start)();
        if (!engine_.Idle()) loop.exec();
        return log_.Last();
    }

    SetupModel& Setup() { return setup_; }
    ConfigBuffer& Buffer() { return buffer_; }

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

    static constexpr std::chrono::milliseconds kQuietBetweenProcedures{100};

    bool ranBefore_ = false;
    PrintedLog log_;
    ProgressPrinter progress_;
    QtSerialPort port_;
    std::unique_ptr<QFile> trace_;
    TracingPort tracing_;
    QtTransferTimer timer_;
    SetupModel setup_;
    ConfigBuffer buffer_;
    TransferEngine engine_;
    QtTransferDriver driver_;
};

bool LinkTestPasses(Session& session) {
    return session.Run(&TransferEngine::StartTest) == messages::kTestOk;
}

}  // namespace

int TestCommand(const LinkOptions& options, QTextStream& out, QTextStream& err) {
    Session session(out, err);
    if (!session.Open(options, err)) return kExitLinkFailed;
    return LinkTestPasses(session) ? kExitOk : kExitLinkFailed;
}

int ReadCommand(const LinkOptions& options, const QString& file, QTextStream& out,
                QTextStream& err) {
    if (FileError error; !KnownFormat(file, error)) {
        err << "kdx17: " << error.message << "\n";
        return kExitBadUsage;
    }
    Session session(out, err);
    if (!session.Open(options, err)) return kExitLinkFailed;
    // Success means the whole memory arrived and decoded; only then is FILE written.
    if (session.Run(&TransferEngine::StartRead) != messages::kTransferOk) return kExitLinkFailed;
    FileError error;
    if (!SaveImage(file, session.Buffer(), error)) {
        err << "kdx17: " << error.message << "\n";
        return kExitBadUsage;
    }
    return kExitOk;
}

int WriteCommand(const LinkOptions& options, const QString& file, QTextStream& out,
                 QTextStream& err) {
    FileError error;
    const auto image = LoadImage(file, error);
    if (!image) {
        err << "kdx17: " << error.message << "\n";
        return kExitBadUsage;
    }
    Session session(out, err);
    if (!session.Open(options, err)) return kExitLinkFailed;
    if (!LinkTestPasses(session)) {
        err << "kdx17: modul neodpovídá, zápis nezačal\n";
        return kExitLinkFailed;
    }
    session.Buffer() = *image;
    if (session.Run(&TransferEngine::StartRawWrite) != messages::kTransferOk)
        return kExitLinkFailed;
    if (!options.verify) return kExitOk;

    if (session.Run(&TransferEngine::StartRead) != messages::kTransferOk) {
        err << "kdx17: ověření: čtení selhalo\n";
        return kExitLinkFailed;
    }
    const auto differing = DifferingFields(*image, session.Buffer());
    for (const MemoryField& field : differing) {
        err << "kdx17: ověření: " << QString::fromStdString(field.name) << ": zapsáno "
            << QString::fromStdString(DescribeField(field, *image)) << ", v modulu "
            << QString::fromStdString(DescribeField(field, session.Buffer())) << "\n";
    }
    if (!differing.empty()) return kExitLinkFailed;
    out << "ověření OK" << Qt::endl;
    return kExitOk;
}

}  // namespace kdx
