#pragma once
// A real link on the simulator's pseudo-terminal for the logger's end-to-end tests: COM1 is the
// simulator's slave, the other ports missing paths; the reply gap shortened so that a silent
// address costs a few milliseconds instead of the line's 70 ms.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "link/core/comm_port.h"
#include "link/core/protocol.h"
#include "sim/simulator.h"
#include "tests/logger/watched_device.h"

namespace qx::test {

class SimBus : public ::testing::Test {
  protected:
    // Starts the simulator with `modules` and makes the link (not yet open). Requests that a
    // module, as it is set at the time, answers get a long wait (see WatchedDevice).
    void Start(const std::vector<sim::ModuleSettings>& modules) {
        for (const auto& m : modules)
            sim_.AddModule(m);
        std::string error;
        ASSERT_TRUE(sim_.Start(&error)) << error;
        port_ = std::make_unique<TCommPort>(PortPaths{sim_.SlavePath(), "/nonexistent/ttyQX1",
                                                      "/nonexistent/ttyQX2", "/nonexistent/ttyQX3"},
                                            WatchedFactory());
        port_->SetReplyGapMs(gapMs_);
    }

    // Devices that wait long only for the replies a module will give (see WatchedDevice).
    DeviceFactory WatchedFactory() {
        auto answered = [this](std::string_view frame, int bitRate) {
            for (std::size_t i = 0; i < sim_.ModuleCount(); ++i) {
                const auto m = sim_.ModuleAt(i);
                if (m && !m->Silent() && WillAnswer(m->Settings(), frame, bitRate)) return true;
            }
            return false;
        };
        return [this, answered] { return std::make_unique<WatchedDevice>(written_, answered); };
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

    // Enough for a few silent tries per test; a test with thousands sets less before Start.
    int gapMs_ = 20;
    WrittenFrames written_;
    sim::Simulator sim_;
    std::unique_ptr<TCommPort> port_;  // closed before the simulator stops

  private:
    static bool WillAnswer(const sim::ModuleSettings& m, std::string_view frame, int bitRate) {
        if (bitRate != BitRate(m.baudCode) || frame.size() < 5) return false;
        const std::string_view text = frame.substr(0, frame.size() - 1);  // without the CR
        const bool withSum =
            text.size() >= 3 && Frame(text.substr(0, text.size() - 2), true) == std::string(frame);
        if (withSum != m.checksum || HexPairAt(text, 2) != m.address) return false;
        return !(m.muteConfigRead && text[0] == '$' && text[3] == '2');
    }
};

}  // namespace qx::test
