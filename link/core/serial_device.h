#pragma once
// The transport under the link: one serial device, opened exclusively, read a byte at a time.
// One termios implementation serves the program; tests may substitute their own.

#include <cstddef>
#include <string>

namespace qx {

class SerialDevice {
  public:
    enum class OpenError { None, NotFound, Busy, Permission, Other };

    virtual ~SerialDevice() = default;

    // Opens `path` for reading and writing with exclusive access. False on failure, with
    // LastOpenError() telling why.
    virtual bool Open(const std::string& path) = 0;
    virtual OpenError LastOpenError() const = 0;
    // Raw 8N1 at `bitRate`, no flow control, DTR/RTS inactive where the device has modem lines.
    virtual bool Configure(int bitRate) = 0;
    // Discards both queues.
    virtual void Purge() = 0;
    // Writes all of `data`; the outcome is not reported (a failed write shows as a missing reply).
    virtual void Write(const char* data, std::size_t size) = 0;
    // One byte within `timeoutMs`, or -1. A device that has gone away still takes the whole
    // time-out before answering -1, so no caller can spin on it.
    virtual int ReadByte(int timeoutMs) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // True once the device has gone away under an open descriptor (an unplugged USB adapter, a
    // hung-up line): it will never answer again until it is opened anew.
    virtual bool Lost() const { return false; }
};

}  // namespace qx
