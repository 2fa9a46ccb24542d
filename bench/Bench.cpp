// Times a full read and a full write of the module's 1024 bytes through the transfer engine,
// the Qt serial adapter and its timer against the virtual module, and sets each against the
// wire's floor: the bytes the protocol moves per data byte (a read 3, a write 4) at 19200 baud
// plus the module's reaction to each of its answers (a read 1, a write 2). A USB converter's
// latency timer is no part of the floor: what it costs shows in the ratio.
#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/Codec.h"
#include "link/qt/Link.h"
#include "sim/VirtualModule.h"

namespace {

using namespace std::chrono;
using kdx::sim::VirtualModule;

constexpr double kByteSeconds = 10.0 / 19200.0;  // 8N1: ten bits a byte
constexpr int kDataBytes = 1024;

class Quiet : public kdx::MessageLog, public kdx::ProgressDisplay {
  public:
    void LogMessage(std::string_view message) override { last = message; }
    void ShowProgress(int) override {}
    std::string last;
};

kdx::SetupModel SampleSetup() {
    kdx::SetupModel setup;
    for (int r = 0; r < kdx::kCommandRows; ++r) {
        setup.commandTable[r].smsText = "Povel " + std::to_string(r + 1);
    }
    setup.phoneList[0].number = "+420600000001";
    setup.messageTexts.pagerName = "Chata";
    return setup;
}

struct Result {
    double seconds = 0;
    bool ok = false;
    std::string last;  // the last log line
};

struct Line {
    explicit Line(VirtualModule::Options options) : module(std::move(options)) {
        std::string error;
        if (!module.Start(&error)) {
            std::fprintf(stderr, "kdx17-bench: %s\n", error.c_str());
            std::exit(1);
        }
        if (link.Open(QString::fromStdString(module.DevicePath())) != kdx::PortProblem::kNone) {
            std::fprintf(stderr, "kdx17-bench: cannot open %s\n", module.DevicePath().c_str());
            std::exit(1);
        }
    }

    Result Run(const std::function<bool(kdx::TransferEngine&)>& start) {
        const auto begin = steady_clock::now();
        const kdx::Link::Outcome outcome = link.Run(start);
        received = outcome.received;
        return {duration<double>(steady_clock::now() - begin).count(), outcome.Succeeded(),
                log.last};
    }

    VirtualModule module;
    Quiet log;
    kdx::Link link{log, log};
    kdx::ConfigBuffer received;
};

void Print(const char* line, const char* transfer, Result result, double floor) {
    std::printf("%-6s %-6s %7.2f s %7.2f s %6.2f  %6.2f ms  %s\n", line, transfer, result.seconds,
                floor, result.seconds / floor, result.seconds * 1000 / kDataBytes,
                result.ok ? "ok" : ("FAILED: " + result.last).c_str());
}

struct LineKind {
    const char* name;
    double delayMs;    // the module's reaction
    double latencyMs;  // the latency timer of a USB converter in between; 0: a plain line
};
constexpr LineKind kLines[] = {
    {"plain", 0.5, 0},   // a fast module on a serial port
    {"usb1", 0.5, 1},    // behind a converter in low-latency mode
    {"usb16", 0.5, 16},  // behind a converter at its default latency timer
    {"slow", 10, 0},     // a module that takes 10 ms to answer
};

int Usage() {
    std::fputs(
        "usage: kdx17-bench [--runs N] [--line plain|usb1|usb16|slow]\n"
        "  --runs N    transfers of each kind (default 1)\n"
        "  --line      only this line (default all): plain, a module answering after 0.5 ms;\n"
        "              usb1 and usb16, the same behind a USB converter with a latency timer of\n"
        "              1 or 16 ms; slow, a module answering after 10 ms\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int runs = 1;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return Usage();
        if (arg == "--runs") {
            runs = std::atoi(argv[++i]);
        } else if (arg == "--line") {
            only = argv[++i];
        } else {
            return Usage();
        }
    }
    const auto known = [&](const LineKind& line) { return only == line.name; };
    if (runs < 1 || (!only.empty() && std::none_of(std::begin(kLines), std::end(kLines), known))) {
        return Usage();
    }

    std::printf("1024 data bytes, 19200 baud (%.0f us a byte)\n", kByteSeconds * 1e6);
    std::printf("%-6s %-6s %9s %9s %6s  %9s\n", "line", "kind", "time", "floor", "ratio",
                "per byte");
    for (const LineKind& kind : kLines) {
        if (!only.empty() && !known(kind)) continue;
        const double delay = kind.delayMs / 1000;
        const double readFloor = kDataBytes * (3 * kByteSeconds + delay);
        const double writeFloor = kDataBytes * (4 * kByteSeconds + 2 * delay);
        VirtualModule::Options options;
        options.reactionDelay = duration_cast<microseconds>(duration<double>(delay));
        options.latencyTimer = duration_cast<microseconds>(duration<double>(kind.latencyMs / 1000));
        options.memory = kdx::EncodeSetup(SampleSetup());
        Line line(options);
        for (int run = 0; run < runs; ++run) {
            Result read = line.Run([](kdx::TransferEngine& engine) { return engine.StartRead(); });
            read.ok = read.ok && line.received == line.module.Memory();
            Print(kind.name, "read", read, readFloor);

            kdx::SetupModel setup = SampleSetup();
            setup.sysValue = std::to_string(run + 1);  // something new to write
            const kdx::ConfigBuffer image = kdx::EncodeSetup(setup);
            Result write =
                line.Run([&](kdx::TransferEngine& engine) { return engine.StartWrite(image); });
            write.ok = write.ok && line.module.Memory() == image;
            Print(kind.name, "write", write, writeFloor);
        }
    }
    return 0;
}
