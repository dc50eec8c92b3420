#pragma once
// The master side of one pseudo-terminal, the simulator's end of the serial line.

#include <string>

namespace qx::sim {

class Pty {
  public:
    Pty() = default;
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    // Creates a new pty pair with a non-blocking master. The slave starts raw 8N1 at 9600 Bd, so
    // nothing is echoed or translated before the program sets its own line settings.
    bool Open(std::string* error);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    const std::string& SlavePath() const { return slavePath_; }

    // Baud code (3..8) of the output speed the program set on the slave; -1 for any other speed.
    // On Linux the master's termios requests act on the slave's settings.
    int LineBaudCode() const;

    // Writes all of `data`, waiting for room where the pty's buffer is full; false when the
    // master has gone or no room came within `timeoutMs`.
    bool WriteAll(const char* data, std::size_t size, int timeoutMs);

  private:
    int fd_ = -1;
    std::string slavePath_;
};

}  // namespace qx::sim
