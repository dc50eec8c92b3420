#pragma once
// A serial device for the main window's tests: a path opens when the test lists it as present;
// a present device never answers (each read waits briefly, as a silent bus would).

#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "link/core/comm_port.h"
#include "link/core/serial_device.h"

namespace qx::test {

class FakePorts {
  public:
    void SetPresent(std::set<std::string> paths) {
        std::lock_guard lock(mutex_);
        present_ = std::move(paths);
    }
    void SetDenied(std::set<std::string> paths) {
        std::lock_guard lock(mutex_);
        denied_ = std::move(paths);
    }
    // Every path an Open was tried on, in order.
    std::vector<std::string> Tried() const {
        std::lock_guard lock(mutex_);
        return tried_;
    }
    void ClearTried() {
        std::lock_guard lock(mutex_);
        tried_.clear();
    }
    DeviceFactory Factory() {
        return [this] { return std::make_unique<Device>(*this); };
    }

  private:
    class Device : public SerialDevice {
      public:
        explicit Device(FakePorts& ports) : ports_(ports) {}
        bool Open(const std::string& path) override {
            std::lock_guard lock(ports_.mutex_);
            ports_.tried_.push_back(path);
            if (ports_.denied_.count(path)) {
                error_ = OpenError::Permission;
            } else if (!ports_.present_.count(path)) {
                error_ = OpenError::NotFound;
            } else {
                open_ = true;
                error_ = OpenError::None;
            }
            return open_;
        }
        OpenError LastOpenError() const override { return error_; }
        bool Configure(int) override { return open_; }
        void Purge() override {}
        void Write(const char*, std::size_t) override {}
        int ReadByte(int timeoutMs) override {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, 2)));
            return -1;
        }
        void Close() override { open_ = false; }
        bool IsOpen() const override { return open_; }

      private:
        FakePorts& ports_;
        bool open_ = false;
        OpenError error_ = OpenError::None;
    };

    mutable std::mutex mutex_;  // guards the sets and the log: the poller thread opens too
    std::set<std::string> present_;
    std::set<std::string> denied_;
    std::vector<std::string> tried_;
};

}  // namespace qx::test
