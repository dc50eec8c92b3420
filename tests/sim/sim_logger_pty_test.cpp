// The logger commands over the real pty, as a download or a schedule send meets them.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "sim/control.h"
#include "sim/logger.h"
#include "sim/simulator.h"
#include "tests/sim/pty_client.h"

namespace qx::sim {
namespace {

using namespace std::chrono_literals;
using test::PtyClient;

class SimLoggerPty : public ::testing::Test {
  protected:
    void SetUp() override {
        ModuleSettings s;
        s.address = 1;
        s.checksum = true;
        s.config = 0x5D;
        sim_.AddModule(s);
        ASSERT_TRUE(sim_.Start());
        client_ = std::make_unique<PtyClient>(sim_.SlavePath());
        ASSERT_TRUE(client_->IsOpen());
    }

    // One exchange with checksums; returns the reply text without digits and CR.
    std::string Ask(const std::string& text) {
        const auto before = sim_.Record().RequestCount();
        client_->Write(Frame(text, true));
        EXPECT_TRUE(sim_.Record().WaitRequests(before + 1, 5s)) << text;
        const std::string reply = client_->Pending();
        if (reply.size() < 3 || !ReplyChecksumOk(reply)) return "(bad) " + reply;
        return reply.substr(0, reply.size() - 3);
    }

    Simulator sim_;
    std::unique_ptr<PtyClient> client_;
};

TEST_F(SimLoggerPty, InvalidRecordIsRepeatedForTheSameToggle) {
    const std::string month13 = RecordPayload(0x5D, 0x04, 500, {2026, 13, 6, 12, 0, 0});
    const std::string good = RecordPayload(0x5D, 0x46, 500, {2026, 12, 6, 12, 0, 0});
    ASSERT_EQ(ExecuteControl(sim_, "record " + month13 + " 1"), "ok");
    ASSERT_TRUE(sim_.PushRecord(1, good));
    EXPECT_EQ(Ask("@01RF"), "!010002");
    // The download asks three times with the same toggle, then moves on with the other one.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Ask("@01RQ0"), "!01" + month13);
    EXPECT_EQ(Ask("@01RQ1"), "!01" + good);
    EXPECT_EQ(Ask("@01RQ0"), "?01");
}

TEST_F(SimLoggerPty, PrefilledQueueDrainsByToggledReads) {
    ASSERT_EQ(ExecuteControl(sim_, "value 50"), "ok");
    ASSERT_EQ(ExecuteControl(sim_, "prefill 256 0x40"), "ok");  // power factor records
    EXPECT_EQ(Ask("@01RF"), "!010100");
    int toggle = 0, count = 0;
    for (;;) {
        const std::string reply = Ask("@01RQ" + std::to_string(toggle));
        toggle = 1 - toggle;
        if (reply[0] == '?') break;
        ASSERT_EQ(reply.size(), 19u) << reply;
        // 50 is beyond the power factor's +-2: the overload reading 9999 with its sign.
        EXPECT_EQ(reply.substr(3, 8), "40019999") << reply;
        ++count;
    }
    EXPECT_EQ(count, 256);
    EXPECT_EQ(Ask("@01RF"), "!010000");
}

TEST_F(SimLoggerPty, ScheduleSentOverTheLineFillsTheQueue) {
    sim_.SetAcceleration(200);  // a logged second every 5 ms
    EXPECT_EQ(Ask("@01WT120000061226"), "!01");
    EXPECT_EQ(Ask("@01WE0000"), "!01");
    EXPECT_EQ(Ask("@01WD35D000000000001"), "!01");
    EXPECT_EQ(Ask("@01WL329999199990000"), "!01");
    EXPECT_EQ(Ask("@01WE8008"), "!01");
    EXPECT_EQ(Ask("@01RE"), "!018008");
    EXPECT_EQ(Ask("@01RD3"), "!015D000000000001");
    std::string fill = "!010000";
    // At 200 times real time the first record is due at once; a few reads give it time.
    for (int i = 0; i < 1000 && fill == "!010000"; ++i)
        fill = Ask("@01RF");
    EXPECT_NE(fill, "!010000");
    const std::string record = Ask("@01RQ0");
    ASSERT_EQ(record.size(), 19u) << record;
    EXPECT_EQ(record.substr(0, 5), "!015D");
    EXPECT_EQ(record.substr(15, 4), "06DC");  // 6 December 2026
}

TEST_F(SimLoggerPty, ClockSetOverTheLineIsReadBack) {
    EXPECT_EQ(Ask("@01WT235958311226"), "!01");
    const std::string rt = Ask("@01RT");
    // The clock runs on, so allow the second to move but not the date to jump.
    ASSERT_EQ(rt.size(), 15u) << rt;
    EXPECT_TRUE(rt == "!01235958311226" || rt == "!01235959311226") << rt;
    EXPECT_EQ(Ask("@01WT001360311226"), "?01");  // 60 seconds
}

}  // namespace
}  // namespace qx::sim
