#include "link/core/termios_device.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace qx {

namespace {

using Clock = std::chrono::steady_clock;

SerialDevice::OpenError ErrorFromErrno(int err) {
    switch (err) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return SerialDevice::OpenError::NotFound;
        case EACCES:
        case EPERM:
            return SerialDevice::OpenError::Permission;
        case EBUSY:
        case EWOULDBLOCK:
            return SerialDevice::OpenError::Busy;
        default:
            return SerialDevice::OpenError::Other;
    }
}

bool SpeedFor(int bitRate, speed_t* speed) {
    switch (bitRate) {
        case 1200:
            *speed = B1200;
            return true;
        case 2400:
            *speed = B2400;
            return true;
        case 4800:
            *speed = B4800;
            return true;
        case 9600:
            *speed = B9600;
            return true;
        case 19200:
            *speed = B19200;
            return true;
        case 38400:
            *speed = B38400;
            return true;
        default:
            return false;
    }
}

// A port that has gone away answers every poll at once; sleeping out the rest of the read's
// time-out keeps a failed read as slow as a silent one, so no caller can spin on it.
int SilentUntil(Clock::time_point deadline) {
    std::this_thread::sleep_until(deadline);
    return -1;
}

// Errors by which a device tells that it has gone: unplugged, or the other end hung up.
bool GoneError(int err) {
    return err == EIO || err == ENXIO || err == ENODEV || err == EPIPE;
}

}  // namespace

int TermiosDevice::FailAfter(Clock::time_point deadline) {
    lost_ = true;
    return SilentUntil(deadline);
}

TermiosDevice::~TermiosDevice() {
    Close();
}

bool TermiosDevice::Open(const std::string& path) {
    Close();
    lastError_ = OpenError::None;
    lost_ = false;
    // O_NONBLOCK only for the open itself, so that a port without carrier does not block it.
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        lastError_ = ErrorFromErrno(errno);
        return false;
    }
    // TIOCEXCL keeps other users out, but root ignores it; the advisory lock holds for everyone
    // who opens the port through this class. Lock first, so that a refused opener never touches
    // the exclusive bit of the holder.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        lastError_ = ErrorFromErrno(errno == EWOULDBLOCK ? EBUSY : errno);
        ::close(fd);
        return false;
    }
    ::ioctl(fd, TIOCEXCL);
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
        lastError_ = OpenError::Other;
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool TermiosDevice::Configure(int bitRate) {
    speed_t speed;
    if (fd_ < 0 || !SpeedFor(bitRate, &speed)) return false;
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) return false;
    ::cfmakeraw(&tio);  // 8 data bits, no parity, binary, no echo, no signals
    tio.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS | HUPCL);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) return false;
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0) return false;
    // Modem lines inactive; a pseudo-terminal has none and refuses, which is fine.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd_, TIOCMBIC, &lines);
    // USB adapters hold back received bytes for up to 16 ms unless asked for low latency.
    serial_struct serial{};
    if (::ioctl(fd_, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd_, TIOCSSERIAL, &serial);
    }
    return true;
}

void TermiosDevice::Purge() {
    if (fd_ >= 0) ::tcflush(fd_, TCIOFLUSH);
}

void TermiosDevice::Write(const char* data, std::size_t size) {
    if (fd_ < 0) return;
    while (size > 0) {
        ssize_t n = ::write(fd_, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {  // a failed write shows as a missing reply
            if (n < 0 && GoneError(errno)) lost_ = true;
            return;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    // The reply's time-out starts once the request has left the port, as on the module's bus.
    ::tcdrain(fd_);
}

int TermiosDevice::ReadByte(int timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (fd_ < 0) return SilentUntil(deadline);
    for (;;) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p{fd_, POLLIN, 0};
        int r = ::poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
        if (r < 0) {
            if (errno == EINTR) continue;
            return SilentUntil(deadline);
        }
        if (r == 0) return -1;
        if (p.revents & POLLIN) {
            unsigned char c;
            ssize_t n = ::read(fd_, &c, 1);
            if (n == 1) return c;
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n == 0 || GoneError(errno)) return FailAfter(deadline);  // the other end has gone
            return SilentUntil(deadline);
        }
        return FailAfter(deadline);  // POLLHUP, POLLERR or POLLNVAL without data
    }
}

void TermiosDevice::Close() {
    if (fd_ < 0) return;
    // The exclusive bit belongs to the terminal, not to this descriptor: drop it so that the port
    // can be opened again even while someone else keeps it alive.
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);  // also releases the lock
    fd_ = -1;
}

}  // namespace qx
