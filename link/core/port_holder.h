#pragma once
// Who holds a serial device that refused to open: a user told "another program uses the port"
// can then close that program instead of guessing which one it is.

#include <optional>
#include <string>

namespace qx {

struct PortHolder {
    int pid = 0;
    std::string command;  // the process's name as the kernel keeps it (at most 15 characters)
};

// The process holding `path`: first one with an advisory lock on it (/proc/locks names every
// user's), else one with it open among the processes whose descriptors this user may see.
// Nothing when the device is absent or its holder cannot be seen.
std::optional<PortHolder> FindPortHolder(const std::string& path);

// "PID 1234, qxsim": how the messages name the holder.
std::string PortHolderText(const PortHolder& holder);

}  // namespace qx
