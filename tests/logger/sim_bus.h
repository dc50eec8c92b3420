#pragma once
// A real link on the simulator's pseudo-terminal for the logger's end-to-end tests: COM1 is the
// simulator's slave, the other ports missing paths; the reply gap shortened so that a silent
// address costs milliseconds instead of the line's 70 ms.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/core/comm_port.h"
#include "sim/simulator.h"

namespace qx::test {

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

    // 2 ms leaves the simulator's serving thread room to answer even under the sanitizers.
    int gapMs_ = 2;
    sim::Simulator sim_;
    std::unique_ptr<TCommPort> port_;  // closed before the simulator stops
};

}  // namespace qx::test
