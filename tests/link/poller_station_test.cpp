#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "link/core/pause_lease.h"
#include "link/core/protocol.h"
#include "tests/link/poller_fixture.h"
#include "tests/support/pty_peer.h"

namespace qx::test {
namespace {

using Notes = std::vector<Note>;

sim::ModuleSettings Module(int address) {
    sim::ModuleSettings m;
    m.address = address;
    return m;
}

TEST_F(PollerTest, IdentifiesModuleAndInstrumentInOrder) {
    StartSim({Module(1)});
    OpenLink();
    port_.SetPollEntry(1, -1);
    ASSERT_TRUE(WaitValues(1, 1));
    const Notes expected = {{kStationChanged, 1, 0},  // module identified
                            {kConfigKnown, 1, 0},
                            {kStationChanged, 1, 0},  // instrument identified
                            {kValueRead, 1, kNow}};
    Notes notes = sink_.Notes();
    notes.resize(4);
    EXPECT_EQ(notes, expected);
    // The simulator records an exchange only after its reply has gone out.
    ASSERT_TRUE(WaitRequest("#01\r"));
    std::vector<std::string> sent = Requests();
    sent.resize(7);
    EXPECT_EQ(sent, (std::vector<std::string>{"$01M\r", "$01F\r", "$012\r", "$01M\r", "$01F\r",
                                              "$01N\r", "#01\r"}));

    StationRecord st = port_.Station(1);
    EXPECT_EQ(st.state, 2);
    EXPECT_EQ(st.moduleModel, 1520);
    EXPECT_EQ(st.moduleFirmware, 102);
    EXPECT_EQ(st.instrumentModel, 520);
    EXPECT_EQ(st.instrumentFirmware, 210);
    EXPECT_EQ(st.instrumentNumber, 12345678);
    EXPECT_EQ(st.config, 0x00);
    EXPECT_LT(st.value, kNoValue);
    EXPECT_EQ(st.sign, 0);  // an AC reading carries no sign
}

TEST_F(PollerTest, InstrumentNumberZeroIsStoredAsUnknown) {
    sim::ModuleSettings m = Module(1);
    m.instrumentNumber = 0;
    StartSim({m});
    OpenLink();
    port_.SetPollEntry(1, -1);
    ASSERT_TRUE(WaitValues(1, 1));
    EXPECT_EQ(port_.Station(1).instrumentNumber, -1);
    EXPECT_EQ(port_.Station(1).state, 2);
}

TEST_F(PollerTest, RefusedValueIsNoValueButStillNotified) {
    StartSim({Module(1)});
    sim_.SetNoValue(1, true);
    OpenLink();
    port_.SetPollEntry(1, -1);
    ASSERT_TRUE(WaitValues(1, 1));
    EXPECT_EQ(port_.Station(1).value, kNoValue);
    EXPECT_EQ(port_.Station(1).sign, 0);
}

TEST_F(PollerTest, UnpluggedInstrumentDropsToModuleOnly) {
    StartSim({Module(1)});
    OpenLink();
    port_.SetPollEntry(1, -1);
    ASSERT_TRUE(WaitValues(1, 1));
    {
        PauseLease pause(port_);
        sim_.SetInstrumentAttached(1, false);
        sink_.Clear();
    }
    ASSERT_TRUE(WaitValues(1, 1));
    Notes notes = sink_.Notes();
    notes.resize(2);
    EXPECT_EQ(notes, (Notes{{kStationChanged, 1, 0}, {kValueRead, 1, kNow}}));
    StationRecord st = port_.Station(1);
    EXPECT_EQ(st.state, 1);
    EXPECT_EQ(st.instrumentNumber, -1);
    EXPECT_EQ(st.instrumentModel, 0);
    EXPECT_EQ(st.value, kNoValue);
    EXPECT_EQ(st.sign, 0);
}

TEST_F(PollerTest, SwitchedOffModuleIsResetAndAskedForAgain) {
    StartSim({Module(1)});
    OpenLink();
    port_.SetPollEntry(1, -1);
    ASSERT_TRUE(WaitValues(1, 1));
    {
        PauseLease pause(port_);
        sim_.SetSilent(true);
        sink_.Clear();
        sim_.Record().Clear();
    }
    ASSERT_TRUE(sink_.WaitForNote({kStationChanged, 1, 0}));
    ASSERT_TRUE(WaitRequest("$01M\r", 2));
    EXPECT_EQ(port_.Station(1).state, 0);
    EXPECT_EQ(port_.Station(1).instrumentNumber, -1);
    // The failed exchange (three attempts of $AA2), then nothing but module identification.
    auto requests = Requests();
    EXPECT_EQ(std::vector<std::string>(requests.begin(), requests.begin() + 3),
              std::vector<std::string>(3, "$012\r"));
    for (std::size_t i = 3; i < requests.size(); ++i)
        EXPECT_EQ(requests[i], "$01M\r") << i;
    // The failed visit is told at once, the station drops on the next visit; each later failed
    // identification is told again.
    const Notes notes = sink_.Notes();
    ASSERT_GE(notes.size(), 2u);
    EXPECT_EQ(notes[0], (Note{kVisitFailed, 1, 0}));
    EXPECT_EQ(notes[1], (Note{kStationChanged, 1, 0}));
    for (std::size_t i = 2; i < notes.size(); ++i)
        EXPECT_EQ(notes[i], (Note{kVisitFailed, 1, 0})) << i;
}

TEST_F(PollerTest, RangeChangeSendsConfigurationInsteadOfValue) {
    StartSim({Module(1)});
    OpenLink();
    port_.SetPollEntry(1, -1);
    ASSERT_TRUE(WaitValues(1, 1));
    {
        PauseLease pause(port_);
        port_.UpdateStation(1, [](StationRecord& st) { st.config = 0x23; });
        sim_.Record().Clear();
    }
    ASSERT_TRUE(WaitRequest("#01\r"));
    auto requests = Requests();
    requests.resize(4);
    EXPECT_EQ(requests, (std::vector<std::string>{"$012\r", "%0101230600\r", "$012\r", "#01\r"}));
    EXPECT_EQ(sim_.FindModule(1)->Settings().config, 0x23);
}

TEST_F(PollerTest, ConfigurationCommandCarriesChecksumFlag) {
    sim::ModuleSettings m = Module(0x10);
    m.checksum = true;
    m.config = 0x30;
    StartSim({m});
    OpenLink(true);
    port_.UpdateStation(0x10, [](StationRecord& st) { st.config = 0x31; });
    port_.SetPollEntry(0x10, -1);
    ASSERT_TRUE(WaitRequest(Frame("%1010310640", true)));
    ASSERT_TRUE(WaitValues(0x10, 1));
    EXPECT_EQ(sim_.FindModule(0x10)->Settings().config, 0x31);
    // The byte was wanted before the module was seen: nothing to adopt, no notification.
    for (const Note& n : sink_.Notes())
        EXPECT_NE(n.message, kConfigKnown);
}

// The module at C8h (2400 Bd) sends its first configuration reply after the poller has given up
// on it; the poller drops the station and asks for the model while that reply is on its way.
TEST_F(PollerTest, LateConfigurationReplyIsNotTakenForTheModel) {
    port_.SetReplyGapMs(kReplyGapMs);
    sim::ModuleSettings m = Module(0xC8);
    m.baudCode = 4;
    m.config = 0x14;
    sim_.DelayNextReply(400, "$2");
    StartSim({m});
    port_.SetPortPaths({sim_.SlavePath(), "", "", ""});
    ASSERT_EQ(port_.Open(0, 4, false, &sink_), kOk);
    port_.SetPollEntry(0xC8, -1);
    ASSERT_TRUE(WaitValues(0xC8, 1));
    const StationRecord st = port_.Station(0xC8);
    EXPECT_EQ(st.moduleModel, 1520);  // not 1404 from "!C814040E"
    EXPECT_EQ(st.instrumentModel, 520);
    EXPECT_EQ(st.config, 0x14);
}

// Replies whose exact bytes matter come from a scripted peer: module 02 with checksums on.
PeerReply ScriptedModule02(const std::string& frame, const std::string& configReply) {
    const std::string text = frame.substr(0, frame.size() - 3);  // without digits and CR
    if (text == "$02M") return Immediate(Frame("!0215200520", true));
    if (text == "$02F") return Immediate(Frame("!0201020210", true));
    if (text == "$022") return Immediate(Frame(configReply, true));
    if (text == "$02N") return Immediate(Frame("!0200000007", true));
    if (text == "#02") return Immediate(Frame(">+12.34", true));  // sum 0x61: decimal digits
    return Immediate(Frame("?02", true));
}

TEST_F(PollerTest, ChecksumDigitsAreNotPartOfTheValue) {
    PtyPeer peer;
    peer.SetScript([](const std::string& f) { return ScriptedModule02(f, "!0200060E"); });
    port_.SetPortPaths({peer.Path(), "", "", ""});
    ASSERT_EQ(port_.Open(0, 6, true, &sink_), kOk);
    port_.SetPollEntry(2, -1);
    ASSERT_TRUE(WaitValues(2, 1));
    EXPECT_EQ(port_.Station(2).instrumentNumber, 7);
    EXPECT_DOUBLE_EQ(port_.Station(2).value, 12.34);
}

TEST_F(PollerTest, GarbledConfigurationReplyFailsTheExchange) {
    PtyPeer peer;
    peer.SetScript([](const std::string& f) { return ScriptedModule02(f, "!02Z1060E"); });
    port_.SetPortPaths({peer.Path(), "", "", ""});
    ASSERT_EQ(port_.Open(0, 6, true, &sink_), kOk);
    port_.SetPollEntry(2, -1);
    ASSERT_TRUE(sink_.WaitForNote({kStationChanged, 2, 0}, 2));
    port_.Close();
    Notes notes = sink_.Notes();
    notes.resize(3);
    EXPECT_EQ(notes,
              (Notes{{kStationChanged, 2, 0}, {kVisitFailed, 2, 0}, {kStationChanged, 2, 0}}));
    EXPECT_EQ(port_.Station(2).config, -1);  // nothing adopted from a reply that is not hex
    const auto frames = peer.Frames();
    EXPECT_EQ(std::count(frames.begin(), frames.end(), Frame("#02", true)), 0);
}

// An unplugged adapter: the line hangs up. The station drops, exchanges fail at once instead of
// timing out, and once the device is there again the link opens it by itself and polls on.
TEST_F(PollerTest, LostPortIsOpenedAgainWhenTheDeviceReturns) {
    const std::string link = ::testing::TempDir() + "qx_lost_" + std::to_string(::getpid());
    sim_.SetLinkPath(link);
    StartSim({Module(1)});
    port_.SetPortPaths({link, "", "", ""});
    ASSERT_EQ(port_.Open(0, 6, false, &sink_), kOk);
    port_.SetPollEntry(1, -1);
    ASSERT_TRUE(WaitValues(1, 1));

    ASSERT_TRUE(sim_.HangUp(false));
    // The station is dropped before its notification is posted.
    EXPECT_TRUE(sink_.WaitFor(
        [&](const Notes&) { return port_.PortLost() && port_.Station(1).state == 0; }));
    {
        PauseLease pause(port_);
        char reply[kBufferSize];
        EXPECT_EQ(port_.Send("$01M", reply), kPortNotAvailable);
    }

    ASSERT_TRUE(sim_.HangUp(true));  // plugged in again, under the same name
    const auto values = [](const Notes& notes) {
        return std::count(notes.begin(), notes.end(), Note{kValueRead, 1, kNow});
    };
    const auto before = values(sink_.Notes());
    EXPECT_TRUE(sink_.WaitFor([&](const Notes& notes) { return values(notes) > before; }));
    EXPECT_FALSE(port_.PortLost());
    port_.Close();
}

}  // namespace
}  // namespace qx::test
