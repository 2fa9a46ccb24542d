#pragma once

#include <string>
#include <vector>

namespace kdx::sim {

// A running kdx17-sim announces the pseudo-terminal it serves, so that the setup utility can
// offer it as a port without any setting: one file per module, named by its process id, holding
// the device path, in a folder that only its user can write (in the user's runtime directory,
// else /tmp/kdx17-sim-UID).
std::string AnnouncementDirectory();

// Announces `devicePath` and returns the file to remove at exit, or "" with the reason when the
// folder cannot be made or is not the user's own.
std::string Announce(const std::string& devicePath, std::string& error);

// The pseudo-terminals announced by the user's own running virtual modules, oldest first.
// Anything else in the folder is passed over: a file of another user, a file whose process has
// ended or is no virtual module, a device that is not the user's pseudo-terminal.
std::vector<std::string> AnnouncedPorts();

}  // namespace kdx::sim
