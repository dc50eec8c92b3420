#include <gtest/gtest.h>

#include "link/core/protocol.h"
#include "tests/link/poller_fixture.h"

namespace qx::test {
namespace {

using Notes = std::vector<Note>;

TEST_F(PollerTest, IdentifiesModuleAndInstrumentInOrder) {
    bus_.Add(FakeModule{.address = 1});
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
    const std::vector<std::string> frames = {"$01M\r", "$01F\r", "$012\r", "$01M\r",
                                             "$01F\r", "$01N\r", "#01\r"};
    auto sent = peer_.Frames();
    sent.resize(frames.size());
    EXPECT_EQ(sent, frames);

    StationRecord st = port_.Station(1);
    EXPECT_EQ(st.state, 2);
    EXPECT_EQ(st.moduleModel, 1525);
    EXPECT_EQ(st.moduleFirmware, 110);
    EXPECT_EQ(st.instrumentModel, 1520);
    EXPECT_EQ(st.instrumentFirmware, 37);
    EXPECT_EQ(st.instrumentNumber, 4711);
    EXPECT_EQ(st.config, 0x21);
    EXPECT_DOUBLE_EQ(st.value, 12.340);
    EXPECT_EQ(st.sign, 1);
}

// With checksums on, decimal checksum digits must not lengthen a field or the value.
TEST_F(PollerTest, ChecksumDigitsAreNotPartOfFieldsOrValue) {
    bus_.Add(FakeModule{.address = 2, .checksum = true, .instrumentNumber = 7, .value = "-1.5"});
    OpenLink(true);
    port_.SetPollEntry(2, -1);
    ASSERT_TRUE(WaitValues(2, 1));
    StationRecord st = port_.Station(2);
    EXPECT_EQ(st.instrumentNumber, 7);
    EXPECT_DOUBLE_EQ(st.value, -1.5);
    EXPECT_EQ(st.sign, 2);
}

TEST_F(PollerTest, InstrumentNumberZeroIsStoredAsUnknown) {
    bus_.Add(FakeModule{.address = 1, .instrumentNumber = 0});
    OpenLink();
    port_.SetPollEntry(1, -1);
    ASSERT_TRUE(WaitValues(1, 1));
    EXPECT_EQ(port_.Station(1).instrumentNumber, -1);
    EXPECT_EQ(port_.Station(1).state, 2);
}

TEST_F(PollerTest, ValueRefusedIsNoValueButStillNotified) {
    bus_.Add(FakeModule{.address = 1, .hasValue = false});
    OpenLink();
    port_.SetPollEntry(1, -1);
    ASSERT_TRUE(WaitValues(1, 1));
    EXPECT_EQ(port_.Station(1).value, kNoValue);
    EXPECT_EQ(port_.Station(1).sign, 0);
}

TEST_F(PollerTest, UnpluggedInstrumentDropsToModuleOnly) {
    bus_.Add(FakeModule{.address = 1});
    OpenLink();
    port_.SetPollEntry(1, -1);
    ASSERT_TRUE(WaitValues(1, 1));
    {
        PauseGuard pause(port_);
        bus_.Change(1, [](FakeModule& m) { m.flags = 0x04; });  // no instrument, no value
        sink_.Clear();
    }
    ASSERT_TRUE(WaitValues(1, 1));
    EXPECT_EQ(sink_.Notes(), (Notes{{kStationChanged, 1, 0}, {kValueRead, 1, kNow}}));
    StationRecord st = port_.Station(1);
    EXPECT_EQ(st.state, 1);
    EXPECT_EQ(st.instrumentNumber, -1);
    EXPECT_EQ(st.instrumentModel, 0);
    EXPECT_EQ(st.value, kNoValue);
    EXPECT_EQ(st.sign, 0);
}

TEST_F(PollerTest, SwitchedOffModuleIsResetAndAskedForAgain) {
    bus_.Add(FakeModule{.address = 1});
    OpenLink();
    port_.SetPollEntry(1, -1);
    ASSERT_TRUE(WaitValues(1, 1));
    {
        PauseGuard pause(port_);
        bus_.Change(1, [](FakeModule& m) { m.on = false; });
        sink_.Clear();
        peer_.ClearFrames();
    }
    ASSERT_TRUE(sink_.WaitForNote({kStationChanged, 1, 0}));
    ASSERT_TRUE(WaitFrame("$01M\r", 2));
    EXPECT_EQ(port_.Station(1).state, 0);
    EXPECT_EQ(port_.Station(1).instrumentNumber, -1);
    // The failed exchange (three attempts of $AA2), then nothing but module identification.
    auto frames = peer_.Frames();
    EXPECT_EQ(std::vector<std::string>(frames.begin(), frames.begin() + 3),
              std::vector<std::string>(3, "$012\r"));
    for (std::size_t i = 3; i < frames.size(); ++i)
        EXPECT_EQ(frames[i], "$01M\r") << i;
    EXPECT_EQ(sink_.Notes(), (Notes{{kStationChanged, 1, 0}}));
}

TEST_F(PollerTest, GarbledConfigurationReplyFailsTheExchange) {
    bus_.Add(FakeModule{.address = 1, .garbleConfig = true});
    OpenLink();
    port_.SetPollEntry(1, -1);
    ASSERT_TRUE(sink_.WaitForNote({kStationChanged, 1, 0}, 2));
    auto notes = sink_.Notes();
    notes.resize(2);
    EXPECT_EQ(notes, (Notes{{kStationChanged, 1, 0}, {kStationChanged, 1, 0}}));
    EXPECT_EQ(port_.Station(1).config, -1);  // nothing adopted from a reply that is not hex
}

TEST_F(PollerTest, RangeChangeSendsConfigurationInsteadOfValue) {
    bus_.Add(FakeModule{.address = 1});
    OpenLink(false);
    port_.SetPollEntry(1, -1);
    ASSERT_TRUE(WaitValues(1, 1));
    {
        PauseGuard pause(port_);
        port_.UpdateStation(1, [](StationRecord& st) { st.config = 0x23; });
        peer_.ClearFrames();
    }
    ASSERT_TRUE(WaitFrame("#01\r"));
    auto frames = peer_.Frames();
    frames.resize(4);
    EXPECT_EQ(frames, (std::vector<std::string>{"$012\r", "%0101230600\r", "$012\r", "#01\r"}));
    EXPECT_EQ(bus_.Get(1).config, 0x23);
}

TEST_F(PollerTest, ConfigurationCommandCarriesChecksumFlag) {
    bus_.Add(FakeModule{.address = 0x10, .checksum = true, .config = 0x30});
    OpenLink(true);
    port_.UpdateStation(0x10, [](StationRecord& st) { st.config = 0x31; });
    port_.SetPollEntry(0x10, -1);
    const std::string command = Frame("%1010310640", true);
    ASSERT_TRUE(WaitFrame(command));
    ASSERT_TRUE(WaitValues(0x10, 1));
    EXPECT_EQ(bus_.Get(0x10).config, 0x31);
    // The byte was wanted before the module was seen: nothing to adopt, no notification.
    for (const Note& n : sink_.Notes())
        EXPECT_NE(n.message, kConfigKnown);
}

}  // namespace
}  // namespace qx::test
