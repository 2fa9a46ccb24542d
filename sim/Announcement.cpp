#include "sim/Announcement.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>

namespace kdx::sim {
namespace {

constexpr const char* kProgramName = "kdx17-sim";  // as /proc/PID/comm has it
constexpr const char* kPseudoTerminals = "/dev/pts/";

// A folder that nobody but its owner, this user, can write into or read.
bool IsPrivateFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// The first line of a small file.
std::string FirstLine(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

// A live process of this user that is a virtual module.
bool IsVirtualModule(const std::string& pid) {
    struct stat info {};
    const std::string process = "/proc/" + pid;
    return ::stat(process.c_str(), &info) == 0 && info.st_uid == ::geteuid() &&
           FirstLine(process + "/comm") == kProgramName;
}

// A pseudo-terminal that this user opened.
bool IsOwnPseudoTerminal(const std::string& path) {
    struct stat info {};
    return path.starts_with(kPseudoTerminals) && ::stat(path.c_str(), &info) == 0 &&
           S_ISCHR(info.st_mode) && info.st_uid == ::geteuid();
}

}  // namespace

std::string AnnouncementDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime == '/') return std::string(runtime) + "/kdx17-sim";
    return "/tmp/kdx17-sim-" + std::to_string(::geteuid());
}

std::string Announce(const std::string& devicePath, std::string& error) {
    const std::string folder = AnnouncementDirectory();
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = folder + ": " + std::strerror(errno);
        return {};
    }
    if (!IsPrivateFolder(folder)) {
        error = folder + ": not a folder of this user's alone (mode 0700)";
        return {};
    }
    const std::string file = folder + "/" + std::to_string(::getpid());
    const int fd =
        ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    const std::string line = devicePath + "\n";
    const bool written =
        fd >= 0 && ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    if (!written) error = file + ": " + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return written ? file : std::string();
}

std::vector<std::string> AnnouncedPorts() {
    const std::string folder = AnnouncementDirectory();
    if (!IsPrivateFolder(folder)) return {};
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return {};
    std::map<long, std::string> byAge;  // process ids grow with time, mostly
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        const bool pid =
            !name.empty() && name.size() <= 9 &&
            std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!pid) continue;
        const std::string file = folder + "/" + name;
        struct stat info {};
        if (::lstat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid() || !IsVirtualModule(name)) {
            continue;
        }
        const std::string device = FirstLine(file);
        if (IsOwnPseudoTerminal(device)) byAge.emplace(std::stol(name), device);
    }
    ::closedir(dir);
    std::vector<std::string> ports;
    for (const auto& [pid, device] : byAge) ports.push_back(device);
    return ports;
}

}  // namespace kdx::sim
