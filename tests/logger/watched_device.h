#pragma once
// The termios device under a test's link, keeping every frame written and waiting long where a
// reply is sure to come.

#include <algorithm>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "link/core/termios_device.h"

namespace qx::test {

// Every frame the link wrote, in order; filled by the poller's thread and the test's alike.
class WrittenFrames {
  public:
    void Add(std::string frame) {
        std::lock_guard lock(mutex_);
        frames_.push_back(std::move(frame));
    }
    std::vector<std::string> Copy() const {
        std::lock_guard lock(mutex_);
        return frames_;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> frames_;
};

// The real device, keeping what it writes and waiting long for the reply to a request that a
// simulated module will answer (`answered`, given the frame and the line's bit rate): a loaded
// machine can then delay the simulator's thread without turning a reply into silence, while
// the tries that nobody answers keep the short gap.
class WatchedDevice : public TermiosDevice {
  public:
    static constexpr int kPatientMs = 2000;
    using Answered = std::function<bool(std::string_view frame, int bitRate)>;

    WatchedDevice(WrittenFrames& written, Answered answered)
        : written_(written), answered_(std::move(answered)) {}

    bool Configure(int bitRate) override {
        bitRate_ = bitRate;
        return TermiosDevice::Configure(bitRate);
    }
    void Write(const char* data, std::size_t size) override {
        const std::string_view frame(data, size);
        written_.Add(std::string(frame));
        patientNow_ = answered_ && answered_(frame, bitRate_);
        TermiosDevice::Write(data, size);
    }
    int ReadByte(int timeoutMs) override {
        return TermiosDevice::ReadByte(patientNow_ ? std::max(timeoutMs, kPatientMs) : timeoutMs);
    }

  private:
    WrittenFrames& written_;
    Answered answered_;
    int bitRate_ = 0;
    bool patientNow_ = false;
};

}  // namespace qx::test
