#pragma once
// A link with its poller running against the simulated module.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "link/core/comm_port.h"
#include "sim/simulator.h"
#include "tests/support/recording_sink.h"

namespace qx::test {

constexpr int kNow = 123456;  // tenths of a second, the value notifications' time of day

class PollerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        port_.SetTimeOfDayTenths([] { return kNow; });
        // A generous gap keeps a peer slowed down by a loaded machine from looking silent.
        port_.SetReplyGapMs(600);
    }
    void StartSim(std::vector<sim::ModuleSettings> modules) {
        for (const auto& m : modules)
            sim_.AddModule(m);
        ASSERT_TRUE(sim_.Start());
    }
    void OpenLink(bool checksum = false) {
        port_.SetPortPaths({sim_.SlavePath(), "", "", ""});
        ASSERT_EQ(port_.Open(0, 6, checksum, &sink_), kOk);
    }
    bool WaitValues(int addr, int count) {
        return sink_.WaitForNote({kValueRead, addr, kNow}, count);
    }
    std::vector<std::string> Requests() const {
        std::vector<std::string> requests;
        for (const auto& f : sim_.Record().Frames())
            if (!f.fromModule) requests.push_back(f.bytes);
        return requests;
    }
    // Waits until `count` requests equal to `frame` have been answered (or met silence).
    bool WaitRequest(const std::string& frame, int count = 1) {
        for (std::size_t n = 1;; ++n) {
            if (!sim_.Record().WaitRequests(n, std::chrono::seconds(10))) return false;
            auto r = Requests();
            if (std::count(r.begin(), r.end(), frame) >= count) return true;
        }
    }

    sim::Simulator sim_;
    RecordingSink sink_;
    TCommPort port_{PortPaths{}};
};

}  // namespace qx::test
