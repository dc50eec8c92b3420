#pragma once
// The serial device on Linux: a terminal device in raw mode, held exclusively.

#include <chrono>
#include <string>

#include "link/core/serial_device.h"

namespace qx {

class TermiosDevice : public SerialDevice {
  public:
    TermiosDevice() = default;
    ~TermiosDevice() override;
    TermiosDevice(const TermiosDevice&) = delete;
    TermiosDevice& operator=(const TermiosDevice&) = delete;

    bool Open(const std::string& path) override;
    OpenError LastOpenError() const override { return lastError_; }
    bool Configure(int bitRate) override;
    void Purge() override;
    void Write(const char* data, std::size_t size) override;
    int ReadByte(int timeoutMs) override;
    void Close() override;
    bool IsOpen() const override { return fd_ >= 0; }
    bool Lost() const override { return lost_; }

  private:
    int FailAfter(std::chrono::steady_clock::time_point deadline);

    int fd_ = -1;
    bool lost_ = false;
    OpenError lastError_ = OpenError::None;
};

}  // namespace qx
