#include "sim/pty.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "sim/baud.h"

namespace qx::sim {

namespace {

std::string ErrnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

Pty::~Pty() {
    Close();
}

bool Pty::Open(std::string* error) {
    Close();
    int fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = ErrnoText("posix_openpt");
        return false;
    }
    char name[128];
    if (grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname_r(fd, name, sizeof name) != 0) {
        if (error) *error = ErrnoText("pty setup");
        ::close(fd);
        return false;
    }
    // Start the line raw: the default line discipline would echo the module's replies back to it
    // and turn CR into LF before the program has configured the port.
    termios tio{};
    if (tcgetattr(fd, &tio) == 0) {
        cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        cfsetispeed(&tio, B9600);
        cfsetospeed(&tio, B9600);
        tcsetattr(fd, TCSANOW, &tio);
    }
    fd_ = fd;
    slavePath_ = name;
    return true;
}

void Pty::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int Pty::LineBaudCode() const {
    termios tio{};
    if (fd_ < 0 || tcgetattr(fd_, &tio) != 0) return -1;
    return CodeOfSpeed(cfgetospeed(&tio));
}

bool Pty::WriteAll(const char* data, std::size_t size, int timeoutMs) {
    while (size > 0) {
        if (fd_ < 0) return false;
        ssize_t n = ::write(fd_, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return false;
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) return false;
    }
    return true;
}

}  // namespace qx::sim
