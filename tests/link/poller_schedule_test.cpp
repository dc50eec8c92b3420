#include <gtest/gtest.h>

#include "link/core/pause_lease.h"
#include "link/core/protocol.h"
#include "tests/link/poller_fixture.h"

namespace qx::test {
namespace {

using Notes = std::vector<Note>;

sim::ModuleSettings BareModule(int address) {
    sim::ModuleSettings m;
    m.address = address;
    m.formatFlags = 0;  // no value, no instrument: one $AA2 per visit
    m.instrumentAttached = false;
    return m;
}

TEST_F(PollerTest, EmptyPollListSendsNothingAndResetsStations) {
    StartSim({});
    OpenLink();
    {
        PauseLease pause(port_);  // both stations are in place before the next scan
        port_.UpdateStation(7, [](StationRecord& st) { st.state = 2; });
        port_.UpdateStation(200, [](StationRecord& st) { st.state = 1; });
    }
    ASSERT_TRUE(sink_.WaitForNote({kStationChanged, 200, 0}));
    port_.Close();
    EXPECT_EQ(
        sink_.Notes(),
        (Notes{{kStationChanged, 7, 0}, {kStationChanged, 200, 0}, {kStationChanged, -1, 0}}));
    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ(port_.Station(7).state, 0);
    EXPECT_EQ(port_.Station(7).instrumentNumber, -1);
}

TEST_F(PollerTest, TwoListedAddressesAlternate) {
    StartSim({BareModule(3), BareModule(200)});
    OpenLink();
    {
        PauseLease pause(port_);
        port_.SetPollEntry(200, -1);
        port_.SetPollEntry(3, -1);
    }
    ASSERT_TRUE(WaitRequest("$C82\r", 3));
    port_.Close();
    std::vector<std::string> visits;
    for (const std::string& r : Requests())
        if (r.size() == 5 && r[3] == '2') visits.push_back(r.substr(1, 2));
    ASSERT_GE(visits.size(), 5u);
    EXPECT_EQ(visits[0], "03");
    for (std::size_t i = 1; i < visits.size(); ++i)
        EXPECT_NE(visits[i], visits[i - 1]) << i;
}

TEST_F(PollerTest, PauseHandshakeParksThePollerBetweenCycles) {
    sim::ModuleSettings m;
    StartSim({m});
    OpenLink();
    port_.SetPollEntry(1, -1);
    ASSERT_TRUE(WaitValues(1, 1));
    {
        PauseLease pause(port_);
        EXPECT_TRUE(port_.PauseAcknowledged());
        sim_.Record().Clear();
        char reply[kBufferSize];
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(port_.Send("$01N", reply), kOk);
        // The simulator records a request once it has answered it: the link may read the
        // third reply before the third request is in the record, and the poller's last request
        // before it parked may reach the record only after it was cleared, ahead of ours.
        ASSERT_TRUE(WaitRequest("$01N\r", 3));
        std::vector<std::string> requests = Requests();
        if (!requests.empty() && requests.front() == "#01\r") requests.erase(requests.begin());
        EXPECT_EQ(requests, std::vector<std::string>(3, "$01N\r"));
    }
    EXPECT_FALSE(port_.PauseRequested());
    EXPECT_FALSE(port_.PauseAcknowledged());
    ASSERT_TRUE(WaitRequest("#01\r"));  // the poller goes on
}

TEST_F(PollerTest, PauseOnClosedLinkDoesNotWait) {
    { PauseLease neverOpened(port_); }
    StartSim({});
    OpenLink();
    port_.Close();
    { PauseLease closed(port_); }
    EXPECT_FALSE(port_.PauseRequested());
}

TEST_F(PollerTest, CloseEndsWithOneFinalNotificationEvenWhileTheWindowIsBusy) {
    StartSim({sim::ModuleSettings{}});
    OpenLink();
    port_.SetPollEntry(1, -1);
    ASSERT_TRUE(WaitValues(1, 1));
    port_.SetWindowIdle(false);  // a handler is running: the poller waits before its next step
    port_.Close();
    EXPECT_TRUE(port_.PollerStopped());
    EXPECT_TRUE(port_.WindowIdle());
    const Notes notes = sink_.Notes();
    EXPECT_EQ(notes.back(), (Note{kStationChanged, -1, 0}));
    EXPECT_EQ(std::count(notes.begin(), notes.end(), Note{kStationChanged, -1, 0}), 1);
}

}  // namespace
}  // namespace qx::test
