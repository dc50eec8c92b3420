#pragma once
// A real link on the simulator's pseudo-terminal for the logger's end-to-end tests: COM1 is the
// simulator's slave, the other ports missing paths; the reply gap shortened so that a silent
// address costs a few milliseconds instead of the line's 70 ms.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "link/core/comm_port.h"
#include "link/core/protocol.h"
#include "link/core/termios_device.h"
#include "sim/simulator.h"

namespace qx::test {

// The real device, waiting longer for replies to requests addressed to one of `patient`: there a
// reply delayed by a loaded machine must not pass for silence, while the thousands of tries at
// empty addresses keep the short gap.
class PatientDevice : public TermiosDevice {
  public:
    PatientDevice(std::set<int> patient, int patientMs)
        : patient_(std::move(patient)), patientMs_(patientMs) {}

    void Write(const char* data, std::size_t size) override {
        patientNow_ = patient_.count(HexPairAt(std::string_view(data, size), 2)) > 0;
        TermiosDevice::Write(data, size);
    }
    int ReadByte(int timeoutMs) override {
        return TermiosDevice::ReadByte(patientNow_ ? std::max(timeoutMs, patientMs_) : timeoutMs);
    }

  private:
    std::set<int> patient_;
    int patientMs_;
    bool patientNow_ = false;
};

class SimBus : public ::testing::Test {
  protected:
    // Starts the simulator with `modules` and makes the link (not yet open).
    void Start(const std::vector<sim::ModuleSettings>& modules) {
        for (const auto& m : modules)
            sim_.AddModule(m);
        std::string error;
        ASSERT_TRUE(sim_.Start(&error)) << error;
        port_ = std::make_unique<TCommPort>(PortPaths{
            sim_.SlavePath(), "/nonexistent/ttyQX1", "/nonexistent/ttyQX2", "/nonexistent/ttyQX3"});
        port_->SetReplyGapMs(gapMs_);
    }

    // Waits, up to `limit`, for `condition`; true once it holds.
    static bool WaitFor(const std::function<bool()>& condition,
                        std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!condition()) {
            if (std::chrono::steady_clock::now() >= end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

    // Requests as the module received them, CR included, in order.
    std::vector<std::string> Requests() const {
        std::vector<std::string> out;
        for (const auto& f : sim_.Record().Frames())
            if (!f.fromModule) out.push_back(f.bytes);
        return out;
    }

    static constexpr int kPatientMs = 20;
    // Ample for the simulator's serving thread to answer on a loaded machine under the
    // sanitizers, as long as a test asks few silent addresses.
    int gapMs_ = 20;
    // Addresses that get kPatientMs when the gap is shorter (see PatientDevice).
    std::set<int> patientAddresses_;
    sim::Simulator sim_;
    std::unique_ptr<TCommPort> port_;  // closed before the simulator stops
};

}  // namespace qx::test
