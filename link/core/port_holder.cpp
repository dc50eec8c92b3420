#include "link/core/port_holder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace qx {
namespace {

// The same file: one inode, or one character device reached through another node.
bool SameFile(const struct stat& a, const struct stat& b) {
    if (a.st_dev == b.st_dev && a.st_ino == b.st_ino) return true;
    return S_ISCHR(a.st_mode) && S_ISCHR(b.st_mode) && a.st_rdev == b.st_rdev;
}

std::optional<PortHolder> Named(int pid) {
    if (pid <= 0) return std::nullopt;
    PortHolder holder{pid, {}};
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::getline(comm, holder.command);
    return holder;
}

// A line of /proc/locks: "1: FLOCK  ADVISORY  WRITE 1234 00:05:123 0 EOF", the file as the
// device of its file system (hexadecimal major and minor) and its inode. A waiter's line has
// "->" after the number; it holds nothing.
std::optional<PortHolder> LockHolder(const struct stat& target) {
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, type, mode, access, file;
        int pid = 0;
        if (!(fields >> number >> type >> mode >> access >> pid >> file) || type == "->") continue;
        unsigned major = 0, minor = 0;
        unsigned long inode = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%lu", &major, &minor, &inode) != 3) continue;
        if (major == ::major(target.st_dev) && minor == ::minor(target.st_dev) &&
            inode == target.st_ino)
            if (auto holder = Named(pid)) return holder;
    }
    return std::nullopt;
}

// A holder without a lock (one that keeps others out with TIOCEXCL alone) shows only among the
// open descriptors; those of other users' processes stay hidden from an ordinary user.
std::optional<PortHolder> OpenerOf(const struct stat& target) {
    DIR* proc = ::opendir("/proc");
    if (!proc) return std::nullopt;
    std::optional<PortHolder> found;
    while (!found) {
        const dirent* process = ::readdir(proc);
        if (!process) break;
        char* end = nullptr;
        const long pid = std::strtol(process->d_name, &end, 10);
        if (*end != '\0' || pid <= 0) continue;
        const std::string fds = "/proc/" + std::string(process->d_name) + "/fd";
        DIR* dir = ::opendir(fds.c_str());
        if (!dir) continue;
        while (const dirent* fd = ::readdir(dir)) {
            struct stat st {};
            if (fd->d_name[0] == '.' || ::stat((fds + "/" + fd->d_name).c_str(), &st) != 0)
                continue;
            if (SameFile(st, target)) {
                found = Named(static_cast<int>(pid));
                break;
            }
        }
        ::closedir(dir);
    }
    ::closedir(proc);
    return found;
}

}  // namespace

std::optional<PortHolder> FindPortHolder(const std::string& path) {
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0) return std::nullopt;
    if (auto holder = LockHolder(target)) return holder;
    return OpenerOf(target);
}

std::string PortHolderText(const PortHolder& holder) {
    std::string text = "PID " + std::to_string(holder.pid);
    if (!holder.command.empty()) text += ", " + holder.command;
    return text;
}

}  // namespace qx
