#pragma once
// The program's side of the simulated line for the simulator's tests: the pty slave opened with
// plain termios, raw 8N1 at a chosen speed.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace qx::sim::test {

class PtyClient {
  public:
    explicit PtyClient(const std::string& path, speed_t speed = B9600) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ >= 0) SetSpeed(speed);
    }
    ~PtyClient() {
        if (fd_ >= 0) ::close(fd_);
    }
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

    void SetSpeed(speed_t speed) {
        termios tio{};
        tcgetattr(fd_, &tio);
        cfmakeraw(&tio);
        cfsetispeed(&tio, speed);
        cfsetospeed(&tio, speed);
        tcsetattr(fd_, TCSANOW, &tio);
    }

    void Write(const std::string& bytes) {
        [[maybe_unused]] ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    }

    // Bytes up to and including the first CR, or what came before `gapMs` of silence.
    std::string ReadReply(int gapMs = 1000) {
        std::string out;
        char c;
        while (ReadByte(&c, gapMs)) {
            out += c;
            if (c == '\r') break;
        }
        return out;
    }

    // Sends one request frame and reads its reply.
    std::string Exchange(const std::string& frame, int gapMs = 1000) {
        tcflush(fd_, TCIOFLUSH);
        Write(frame);
        return ReadReply(gapMs);
    }

    // Whatever is waiting now, without waiting for more.
    std::string Pending() {
        std::string out;
        char c;
        while (ReadByte(&c, 0))
            out += c;
        return out;
    }

    bool ReadByte(char* c, int timeoutMs) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0 || !(p.revents & POLLIN)) return false;
        return ::read(fd_, c, 1) == 1;
    }

  private:
    int fd_ = -1;
};

}  // namespace qx::sim::test
