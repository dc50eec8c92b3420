#pragma once
// A link with its poller running against modules on a scripted pseudo-terminal.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "link/core/comm_port.h"
#include "tests/support/fake_bus.h"
#include "tests/support/pty_peer.h"
#include "tests/support/recording_sink.h"

namespace qx::test {

constexpr int kNow = 123456;  // tenths of a second, the value notifications' time of day

class PollerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        port_.SetTimeOfDayTenths([] { return kNow; });
    }
    void OpenLink(bool checksum = false) { ASSERT_EQ(port_.Open(0, 6, checksum, &sink_), kOk); }
    // Waits until the station at `addr` has had `count` value notifications.
    bool WaitValues(int addr, int count) {
        return sink_.WaitForNote({kValueRead, addr, kNow}, count);
    }
    // Waits until `count` frames equal to `frame` have been sent.
    bool WaitFrame(const std::string& frame, int count = 1) {
        for (std::size_t n = 1;; ++n) {
            if (!peer_.WaitFrames(n)) return false;
            auto frames = peer_.Frames();
            if (std::count(frames.begin(), frames.end(), frame) >= count) return true;
        }
    }

    PtyPeer peer_;
    FakeBus bus_{peer_};
    RecordingSink sink_;
    TCommPort port_{PortPaths{peer_.Path(), "", "", ""}};
};

}  // namespace qx::test
