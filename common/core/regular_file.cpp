#include "common/core/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace qx {

std::FILE* OpenRegularFile(const std::string& path, FileAccess access) {
    const bool append = access == FileAccess::Append;
    const bool write = access == FileAccess::Write || append;
    // Non-blocking, so that a FIFO opens (or fails with ENXIO) at once and can be looked at.
    const int flags = (write ? O_WRONLY | O_CREAT : O_RDONLY) | (append ? O_APPEND : 0) |
                      O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) return nullptr;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    if (ok && !S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        ok = false;
    }
    if (ok && write && !append) ok = ::ftruncate(fd, 0) == 0;
    // A regular file never blocks; reads and writes go on as for any file.
    if (ok) ok = ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0;
    std::FILE* file = ok ? ::fdopen(fd, append ? "ab" : write ? "wb" : "rb") : nullptr;
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return file;
}

}  // namespace qx
