#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "sim/simulator.h"
#include "tests/sim/pty_client.h"

namespace qx::sim {
namespace {

using namespace std::chrono_literals;
using test::PtyClient;

ModuleSettings At(int address, int baudCode = 6, bool checksum = false) {
    ModuleSettings s;
    s.address = address;
    s.baudCode = baudCode;
    s.checksum = checksum;
    s.config = 0x5D;
    return s;
}

class SimPty : public ::testing::Test {
  protected:
    void StartWith(std::initializer_list<ModuleSettings> modules) {
        for (const auto& m : modules)
            sim_.AddModule(m);
        ASSERT_TRUE(sim_.Start());
        client_ = std::make_unique<PtyClient>(sim_.SlavePath());
        ASSERT_TRUE(client_->IsOpen());
    }

    // Sends a frame and returns everything the simulator wrote for it; deterministic, since the
    // simulator counts a request only once its reply is on the line.
    std::string Ask(const std::string& frame) {
        const auto before = sim_.Record().RequestCount();
        client_->Write(frame);
        EXPECT_TRUE(sim_.Record().WaitRequests(before + 1, 5s)) << frame;
        return client_->Pending();
    }

    Simulator sim_;
    std::unique_ptr<PtyClient> client_;
};

TEST_F(SimPty, RepliesCarryExactBytesWithAndWithoutChecksum) {
    StartWith({At(0x01), At(0x02, 6, true)});
    EXPECT_EQ(Ask("$01M\r"), "!0115200520\r");
    EXPECT_EQ(Ask("$01F\r"), "!0101020210\r");
    EXPECT_EQ(Ask("$01N\r"), "!0112345678\r");
    EXPECT_EQ(Ask("$012\r"), "!015D060E\r");
    EXPECT_EQ(Ask("$010\r"), "!01\r");
    EXPECT_EQ(Ask("$01Q\r"), "?01\r");
    EXPECT_EQ(Ask(Frame("$02M", true)), Frame("!0215200520", true));
    EXPECT_EQ(Ask(Frame("$022", true)), Frame("!025D064E", true));
    EXPECT_EQ(Ask("$02M\r"), "");  // module 2 wants a checksum
    EXPECT_EQ(Ask("$03M\r"), "");  // nobody there
    const std::string value = Ask("#01\r");
    ASSERT_EQ(value.size(), 9u) << value;
    EXPECT_EQ(value.substr(7), "\\\r");
    EXPECT_EQ(value.substr(0, 3), ">00");  // 5Dh: frequency around 50 Hz, unsigned
}

TEST_F(SimPty, RecordHoldsRequestsAndRepliesInOrder) {
    StartWith({At(0x01)});
    Ask("$01M\r");
    Ask("$05M\r");
    const auto frames = sim_.Record().Frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].bytes, "$01M\r");
    EXPECT_FALSE(frames[0].fromModule);
    EXPECT_EQ(frames[1].bytes, "!0115200520\r");
    EXPECT_TRUE(frames[1].fromModule);
    EXPECT_EQ(frames[2].bytes, "$05M\r");
    sim_.Record().Clear();
    EXPECT_TRUE(sim_.Record().Frames().empty());
}

// The trace sees the frames in wire order as they are recorded, each escaped onto one line.
TEST_F(SimPty, TraceShowsEachFrameOnOneLine) {
    std::vector<std::string> lines;  // written under the record's lock, read after its waits
    sim_.Record().SetObserver([&](const WireFrame& f) { lines.push_back(TraceLine(1.5, f)); });
    StartWith({At(0x01)});
    Ask("$01M\r");
    Ask("$05M\r");
    EXPECT_EQ(lines, (std::vector<std::string>{"1.500 > $01M\\r", "1.500 < !0115200520\\r",
                                               "1.500 > $05M\\r"}));
    sim_.Record().SetObserver({});  // `lines` ends before the simulator
    EXPECT_EQ(TraceLine(0, {true, ">+1.5\\\r\n\x01\xE9"}), "0.000 < >+1.5\\\\\\r\\n\\x01\\xE9");
}

TEST_F(SimPty, ModuleAnswersOnlyAtTheLineSpeedTheProgramSet) {
    StartWith({At(0x01, 4), At(0x02, 8)});
    client_->SetSpeed(B9600);
    EXPECT_EQ(Ask("$01M\r"), "");
    EXPECT_EQ(Ask("$02M\r"), "");
    client_->SetSpeed(B2400);
    EXPECT_EQ(Ask("$01M\r"), "!0115200520\r");
    EXPECT_EQ(Ask("$02M\r"), "");
    client_->SetSpeed(B38400);
    EXPECT_EQ(Ask("$02M\r"), "!0215200520\r");
    client_->SetSpeed(B57600);  // none of the module's speeds
    EXPECT_EQ(Ask("$02M\r"), "");
}

TEST_F(SimPty, ReconfiguredModuleMovesToNewLineSettingsAfterPowerCycle) {
    StartWith({At(0x01)});
    EXPECT_EQ(Ask("$010\r"), "!01\r");
    EXPECT_EQ(Ask("%01200D0840\r"), "!20\r");
    EXPECT_EQ(Ask("$012\r"), "");
    EXPECT_EQ(Ask("$202\r"), "!200D060E\r");  // new address and byte now, old line settings
    sim_.PowerCycle();
    EXPECT_EQ(Ask("$202\r"), "");
    client_->SetSpeed(B38400);
    EXPECT_EQ(Ask(Frame("$202", true)), Frame("!200D084E", true));
    auto m = sim_.FindModule(0x20);
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(m->Settings().baudCode, 8);
    EXPECT_TRUE(m->Settings().checksum);
}

TEST_F(SimPty, SilenceAndDroppedReplies) {
    StartWith({At(0x01)});
    sim_.SetSilent(true);
    EXPECT_EQ(Ask("$01M\r"), "");
    sim_.SetSilent(false);
    sim_.DropReplies(2);
    EXPECT_EQ(Ask("$01M\r"), "");
    EXPECT_EQ(Ask("$05M\r"), "");  // unanswered requests do not use up the count
    EXPECT_EQ(Ask("$01M\r"), "");
    EXPECT_EQ(Ask("$01M\r"), "!0115200520\r");
}

TEST_F(SimPty, CorruptedChecksumHitsOnlyTheNextReply) {
    StartWith({At(0x01, 6, true)});
    sim_.CorruptNextChecksum();
    const std::string bad = Ask(Frame("$01M", true));
    ASSERT_EQ(bad.size(), 14u);
    EXPECT_EQ(bad.substr(0, 11), "!0115200520");  // text intact
    EXPECT_FALSE(ReplyChecksumOk(bad));
    EXPECT_TRUE(ReplyChecksumOk(Ask(Frame("$01M", true))));
}

TEST_F(SimPty, StallSplitsTheReplyByMoreThanTheEndGap) {
    StartWith({At(0x01)});
    sim_.StallNextReply(150);
    client_->Write("$01M\r");
    // The first half arrives, then nothing for well over 70 ms, then the rest.
    std::string first = client_->ReadReply(80);
    EXPECT_EQ(first, "!01152");
    std::string rest = client_->ReadReply(2000);
    EXPECT_EQ(first + rest, "!0115200520\r");
}

TEST_F(SimPty, PacedRepliesKeepTheirBytes) {
    // Pacing changes only when the characters arrive (measured in bench/), never what arrives.
    sim_.SetPacing(true, 2);
    StartWith({At(0x01, 3), At(0x02, 3, true)});
    client_->SetSpeed(B1200);
    EXPECT_EQ(Ask("$01M\r"), "!0115200520\r");
    EXPECT_EQ(Ask(Frame("$022", true)), Frame("!025D034E", true));
}

TEST_F(SimPty, StreamSendsWithoutCarriageReturnUntilStopped) {
    StartWith({At(0x01)});
    sim_.SetStreaming(true);
    std::string got;
    char c;
    while (got.size() < 200 && client_->ReadByte(&c, 1000))
        got += c;
    sim_.SetStreaming(false);
    EXPECT_EQ(got.size(), 200u);
    EXPECT_EQ(got.find('\r'), std::string::npos);
    // Once stopped, and the line purged, normal replies come back.
    Ask("$05M\r");
    tcflush(client_->Fd(), TCIFLUSH);
    EXPECT_EQ(Ask("$01M\r"), "!0115200520\r");
}

TEST_F(SimPty, UnplugAndPlugShowInFormatFlags) {
    StartWith({At(0x01), At(0x02)});
    EXPECT_TRUE(sim_.SetInstrumentAttached(0x02, false));
    EXPECT_EQ(Ask("$012\r"), "!015D060E\r");
    EXPECT_EQ(Ask("$022\r"), "!025D0604\r");
    EXPECT_EQ(Ask("#02\r"), "?02\r");
    EXPECT_TRUE(sim_.SetInstrumentAttached(-1, true));
    EXPECT_EQ(Ask("$022\r"), "!025D060E\r");
    EXPECT_FALSE(sim_.SetInstrumentAttached(0x33, false));
}

TEST_F(SimPty, HangUpIsSeenByTheProgramAndReopenMovesTheLink) {
    const std::string link = ::testing::TempDir() + "qxsim_link_" + std::to_string(::getpid());
    sim_.SetLinkPath(link);
    StartWith({At(0x01)});
    char target[256] = {};
    ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), sim_.SlavePath());

    ASSERT_TRUE(sim_.HangUp(false));
    EXPECT_EQ(sim_.SlavePath(), "");
    pollfd p{client_->Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 1000), 1);
    EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));
    char c;
    EXPECT_LE(::read(client_->Fd(), &c, 1), 0);

    ASSERT_TRUE(sim_.HangUp(true));
    const std::string slave = sim_.SlavePath();
    ASSERT_FALSE(slave.empty());
    std::fill(std::begin(target), std::end(target), 0);
    ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), slave);
    client_ = std::make_unique<PtyClient>(link);
    ASSERT_TRUE(client_->IsOpen());
    EXPECT_EQ(Ask("$01M\r"), "!0115200520\r");
    sim_.Stop();
    EXPECT_NE(::access(link.c_str(), F_OK), 0);  // the link goes with the simulator
}

TEST_F(SimPty, ProgramMayCloseAndReopenTheSlave) {
    StartWith({At(0x01)});
    client_.reset();
    client_ = std::make_unique<PtyClient>(sim_.SlavePath());
    EXPECT_EQ(Ask("$01M\r"), "!0115200520\r");
}

TEST_F(SimPty, OverlongNoiseIsDroppedUpToTheNextCarriageReturn) {
    StartWith({At(0x01)});
    EXPECT_EQ(Ask(std::string(500, '$') + "\r"), "");
    EXPECT_EQ(Ask("$01M\r"), "!0115200520\r");
}

}  // namespace
}  // namespace qx::sim
