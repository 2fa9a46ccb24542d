#include "sim/VirtualModule.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <QFile>

#include "files/ImageFile.h"
#include "files/Visible.h"

namespace kdx::sim {
namespace {

std::string SystemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

QString FileName(const std::string& path) { return QFile::decodeName(path.c_str()); }

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

VirtualModule::VirtualModule(Options options) : options_(std::move(options)) {
    LoadMemory(options_.memory);
}

VirtualModule::~VirtualModule() { Stop(); }

bool VirtualModule::Start(std::string* error) {
    auto fail = [&](std::string reason) {
        if (error) *error = std::move(reason);
        CloseLine();
        CloseFd(wake_[0]);
        CloseFd(wake_[1]);
        return false;
    };
    if (!options_.imagePath.empty()) {
        // kdx17's own loader: a FIFO, a device or a huge file is refused at once.
        kdx::FileError refused;
        const auto image = kdx::ReadRegularFile(FileName(options_.imagePath), refused);
        imageRefused_ = !image && refused.kind != kdx::FileError::Kind::Missing;
        if (imageRefused_) return fail(refused.message.toStdString());
        if (image && image->size() != qsizetype(ModuleProtocol::kMemorySize)) {
            imageRefused_ = true;
            return fail(kdx::Visible(FileName(options_.imagePath)).toStdString() +
                        ": not a 1024-byte memory image");
        }
        // Said now, not after the first write: where kdx17 would not save, neither do we.
        if (!kdx::CanReplaceFile(FileName(options_.imagePath), refused)) {
            imageRefused_ = true;
            return fail(refused.message.toStdString());
        }
        if (image) LoadMemory({image->begin(), image->end()});
    }
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) return fail(SystemError("posix_openpt"));
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return fail(SystemError("grantpt"));
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0) return fail(SystemError("ptsname"));
    devicePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY);
    if (slave_ < 0) return fail(SystemError(name));
    termios raw{};
    if (::tcgetattr(slave_, &raw) != 0) return fail(SystemError("tcgetattr"));
    ::cfmakeraw(&raw);  // bytes as they are: no echo, no line editing, no CR/LF translation
    if (::tcsetattr(slave_, TCSANOW, &raw) != 0) return fail(SystemError("tcsetattr"));
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    if (::pipe(wake_) != 0) return fail(SystemError("pipe"));
    started_ = Clock::now();
    thread_ = std::thread(&VirtualModule::Serve, this);
    return true;
}

void VirtualModule::Stop() {
    if (thread_.joinable()) {
        const char stop = 0;
        [[maybe_unused]] const auto n = ::write(wake_[1], &stop, 1);
        thread_.join();
    }
    CloseLine();
    CloseFd(wake_[0]);
    CloseFd(wake_[1]);
    const std::lock_guard lock(mutex_);
    if (written_) SaveImage();
}

void VirtualModule::LoadMemory(std::vector<std::uint8_t> memory) {
    const std::lock_guard lock(mutex_);
    protocol_ = ModuleProtocol(std::move(memory));
    for (const Fault& fault : options_.faults) {
        if (fault.kind == Fault::Kind::kEarlyEm) protocol_.SetEarlyEm(fault.at);
    }
}

std::vector<std::uint8_t> VirtualModule::Memory() const {
    const std::lock_guard lock(mutex_);
    return protocol_.Memory();
}

void VirtualModule::Serve() {
    ::prctl(PR_SET_TIMERSLACK, 1UL);  // wake on time: the pacing is in tenths of a millisecond
    for (;;) {
        const Clock::time_point now = Clock::now();
        while (!received_.empty() && received_.front().at <= now) {
            const Timed received = received_.front();
            received_.pop_front();
            React(received);  // a hang-up empties the queues
        }
        std::uint8_t due[64];
        std::size_t count = 0;
        while (!outgoing_.empty() && outgoing_.front().at <= now && count < sizeof due) {
            due[count++] = outgoing_.front().byte;
            outgoing_.pop_front();
        }
        if (count > 0 && master_ >= 0 && ::write(master_, due, count) > 0 && options_.trace) {
            for (std::size_t i = 0; i < count; ++i) options_.trace(false, due[i]);
        }
        timespec timeout{};
        timespec* wait = nullptr;  // nothing due: sleep until the PC sends or Stop
        Clock::time_point next = Clock::time_point::max();
        if (!received_.empty()) next = received_.front().at;
        if (!outgoing_.empty()) next = std::min(next, outgoing_.front().at);
        if (next != Clock::time_point::max()) {
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                std::max(next - now, Clock::duration::zero()));
            timeout.tv_sec = static_cast<time_t>(ns.count() / 1000000000);
            timeout.tv_nsec = static_cast<long>(ns.count() % 1000000000);
            wait = &timeout;
        }
        pollfd fds[2] = {{wake_[0], POLLIN, 0}, {master_, POLLIN, 0}};
        const nfds_t watched = master_ >= 0 ? 2 : 1;
        if (::ppoll(fds, watched, wait, nullptr) < 0 && errno != EINTR) return;
        if (fds[0].revents != 0) return;
        if (watched == 2 && (fds[1].revents & POLLIN)) TakeFromPc(Clock::now());
    }
}

void VirtualModule::TakeFromPc(Clock::time_point now) {
    std::uint8_t bytes[256];
    const ssize_t n = ::read(master_, bytes, sizeof bytes);
    for (ssize_t i = 0; i < n; ++i) {
        // Over a real line the PC's bytes follow each other at the line's pace.
        rxFree_ = options_.paceIncoming ? std::max(now, rxFree_) + options_.byteTime : now;
        received_.push_back({rxFree_ + options_.reactionDelay, bytes[i]});
        if (options_.trace) options_.trace(true, bytes[i]);
    }
}

void VirtualModule::React(const Timed& received) {
    std::optional<std::uint8_t> answer;
    std::size_t number = 0;
    {
        const std::lock_guard lock(mutex_);
        const bool writing = protocol_.Writing();
        answer = protocol_.Receive(received.byte);
        number = protocol_.Answers();
        written_ = written_ || writing;
        if (written_ && !protocol_.Writing()) SaveImage();
    }
    if (!answer) return;
    Clock::time_point earliest = received.at;
    int copies = 1;
    for (const Fault& fault : options_.faults) {
        switch (fault.kind) {
            case Fault::Kind::kNoAnswer:
                if (number >= fault.at) return;
                break;
            case Fault::Kind::kLateAnswer:
                if (number == fault.at) earliest += options_.lateBy;
                break;
            case Fault::Kind::kDuplicateAnswer:
                if (number == fault.at) copies = 2;
                break;
            case Fault::Kind::kWrongAnswer:
                if (number == fault.at) answer = options_.wrongByte;
                break;
            case Fault::Kind::kHangUp:
                if (number == fault.at) {
                    lineClosed_ = true;
                    CloseLine();
                    return;
                }
                break;
            case Fault::Kind::kEarlyEm:
                break;
        }
    }
    txFree_ = std::max(earliest, txFree_) + copies * options_.byteTime;
    // A copy follows its original within a byte time; a converter's FIFO hands both over at once.
    for (int i = 0; i < copies; ++i) outgoing_.push_back({Delivered(txFree_), *answer});
}

VirtualModule::Clock::time_point VirtualModule::Delivered(Clock::time_point sent) const {
    const auto period = std::chrono::duration_cast<Clock::duration>(options_.latencyTimer);
    if (period <= Clock::duration::zero()) return sent;
    const auto ticks = (sent - started_ + period - Clock::duration(1)) / period;
    return started_ + ticks * period;
}

void VirtualModule::CloseLine() {
    CloseFd(master_);
    CloseFd(slave_);
    received_.clear();
    outgoing_.clear();
}

std::string VirtualModule::SaveError() const {
    const std::lock_guard lock(mutex_);
    return saveError_;
}

// Called with mutex_ held. Replaced whole, as kdx17 saves: a module killed while saving keeps
// its old image.
void VirtualModule::SaveImage() {
    written_ = false;
    if (options_.imagePath.empty()) return;
    const auto& memory = protocol_.Memory();
    kdx::FileError error;
    if (!kdx::ReplaceFile(FileName(options_.imagePath),
                          QByteArray(reinterpret_cast<const char*>(memory.data()),
                                     static_cast<qsizetype>(memory.size())),
                          error)) {
        saveError_ = error.message.toStdString();
    }
}

}  // namespace kdx::sim
