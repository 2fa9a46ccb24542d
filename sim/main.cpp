// kdx17-sim: a virtual KDX-17 module on a pseudo-terminal, for trying the setup utility without
// the hardware. Prints the device it serves on the first line and runs until interrupted.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

#include "sim/Announcement.h"
#include "sim/VirtualModule.h"

namespace {

using kdx::sim::Fault;
using kdx::sim::VirtualModule;

constexpr const char* kUsage =
    "usage: kdx17-sim [options]\n"
    "Serves a virtual KDX-17 module on a pseudo-terminal; prints its device path first.\n"
    "\n"
    "  --image FILE      memory image (1024 raw bytes): loaded when FILE exists, saved after\n"
    "                    every write and at exit; without it the memory is new (all 0xFF).\n"
    "                    A FILE that is no regular file of 1024 bytes, or that could not\n"
    "                    be saved (a hard link, a missing folder), ends the program\n"
    "                    with status 2\n"
    "  --delay MS        reaction delay before every answer, in ms (default 0.5)\n"
    "  --fault KIND[:N]  inject a fault; may be repeated. KIND is one of\n"
    "                      silent     no answer from answer N on\n"
    "                      late       answer N comes late (see --late)\n"
    "                      duplicate  answer N is sent twice\n"
    "                      wrong      answer N is replaced (see --wrong)\n"
    "                      em         a read or write ends with EM after data byte N\n"
    "                      hangup     the line closes instead of answer N\n"
    "                    Answers count from 1, the ACK to a procedure's opening ETX; in a read\n"
    "                    answer 2 + n is data byte n, in a write 2n + 2 the ACK to data byte n.\n"
    "                    N defaults to 1.\n"
    "  --late MS         how late a late answer comes (default 1000)\n"
    "  --wrong BYTE      the byte a wrong answer sends (default 0x15)\n"
    "  --instant-rx      take the PC's bytes the moment they are written, not one byte time\n"
    "                    later as over a real line\n"
    "  --latency MS      behind a USB converter with this latency timer: the module's bytes\n"
    "                    reach the PC only at the next tick of a clock of this period\n"
    "  --trace           print every byte on the line to stderr\n"
    "  --help            this text\n"
    "  --version         the program's version\n";

int Usage(const char* problem) {
    std::fprintf(stderr, "kdx17-sim: %s\n%s", problem, kUsage);
    return 2;
}

constexpr double kMaxMs = 600000;

// A bad value is one line: the usage would bury it.
int BadValue(std::string_view option, const char* value, const char* wanted) {
    std::fprintf(stderr, "kdx17-sim: bad %.*s %s: give %s\n", static_cast<int>(option.size()),
                 option.data(), value, wanted);
    return 2;
}
constexpr const char* kMsWanted = "milliseconds from 0 to 600000";

bool ParseMs(const char* text, std::chrono::microseconds& out) {
    char* end = nullptr;
    const double ms = std::strtod(text, &end);
    // Written so that nan fails too: a duration must be a number the clock can hold.
    if (end == text || *end != '\0' || !(ms >= 0 && ms <= kMaxMs)) return false;
    out = std::chrono::microseconds(static_cast<long long>(ms * 1000));
    return true;
}

bool ParseFault(std::string_view text, Fault& fault) {
    static constexpr std::pair<std::string_view, Fault::Kind> kKinds[] = {
        {"silent", Fault::Kind::kNoAnswer},
        {"late", Fault::Kind::kLateAnswer},
        {"duplicate", Fault::Kind::kDuplicateAnswer},
        {"wrong", Fault::Kind::kWrongAnswer},
        {"em", Fault::Kind::kEarlyEm},
        {"hangup", Fault::Kind::kHangUp}};
    const std::size_t colon = text.find(':');
    const std::string_view kind = text.substr(0, colon);
    fault.at = 1;
    if (colon != std::string_view::npos) {
        const std::string number(text.substr(colon + 1));
        char* end = nullptr;
        const unsigned long n = std::strtoul(number.c_str(), &end, 10);
        if (number.empty() || *end != '\0' || n < 1 || n > 100000) return false;
        fault.at = n;
    }
    for (const auto& [name, value] : kKinds) {
        if (kind == name) {
            fault.kind = value;
            return true;
        }
    }
    return false;
}

struct timespec g_start;

void Trace(bool fromPc, std::uint8_t byte) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const double ms = (now.tv_sec - g_start.tv_sec) * 1e3 + (now.tv_nsec - g_start.tv_nsec) / 1e6;
    std::fprintf(stderr, "%10.3f ms  %s %02X\n", ms, fromPc ? "PC  ->" : "    <-", byte);
}

}  // namespace

int main(int argc, char** argv) {
    VirtualModule::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto needsValue = [&] {  // the option's value follows it; skip over it
            if (value == nullptr) return false;
            ++i;
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--version") {
            std::puts("kdx17-sim " KDX_VERSION);
            return 0;
        } else if (arg == "--instant-rx") {
            options.paceIncoming = false;
        } else if (arg == "--trace") {
            options.trace = Trace;
        } else if (arg == "--image" && needsValue()) {
            options.imagePath = value;
        } else if (arg == "--delay" && needsValue()) {
            if (!ParseMs(value, options.reactionDelay)) return BadValue(arg, value, kMsWanted);
        } else if (arg == "--latency" && needsValue()) {
            if (!ParseMs(value, options.latencyTimer)) return BadValue(arg, value, kMsWanted);
        } else if (arg == "--late" && needsValue()) {
            if (!ParseMs(value, options.lateBy)) return BadValue(arg, value, kMsWanted);
        } else if (arg == "--wrong" && needsValue()) {
            char* end = nullptr;
            const unsigned long byte = std::strtoul(value, &end, 0);
            if (*value == '\0' || *end != '\0' || byte > 0xFF)
                return BadValue(arg, value, "a byte from 0 to 0xFF");
            options.wrongByte = static_cast<std::uint8_t>(byte);
        } else if (arg == "--fault" && needsValue()) {
            Fault fault{};
            if (!ParseFault(value, fault)) return Usage("bad --fault");
            options.faults.push_back(fault);
        } else {
            return Usage(("unknown or incomplete option " + std::string(arg)).c_str());
        }
    }

    // Signals go to the main thread's sigtimedwait, never to the serving thread.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    clock_gettime(CLOCK_MONOTONIC, &g_start);
    VirtualModule module(std::move(options));
    std::string error;
    if (!module.Start(&error)) {
        std::fprintf(stderr, "kdx17-sim: %s\n", error.c_str());
        return module.ImageRefused() ? 2 : 1;
    }
    std::printf("%s\n", module.DevicePath().c_str());
    std::fflush(stdout);
    const std::string announcement = kdx::sim::Announce(module.DevicePath(), error);
    if (announcement.empty()) {
        std::fprintf(stderr, "kdx17-sim: not offered to the setup utility: %s\n", error.c_str());
    }

    const timespec tick{0, 100 * 1000 * 1000};
    while (sigtimedwait(&signals, nullptr, &tick) < 0) {
        if (module.LineClosed()) {
            std::fprintf(stderr, "kdx17-sim: line closed (hangup fault)\n");
            break;
        }
    }
    if (!announcement.empty()) std::remove(announcement.c_str());
    module.Stop();
    if (const std::string saveError = module.SaveError(); !saveError.empty()) {
        std::fprintf(stderr, "kdx17-sim: could not save the image: %s\n", saveError.c_str());
        return 1;
    }
    return 0;
}
