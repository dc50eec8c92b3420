#include "link/core/comm_port.h"
#include "link/core/pause_lease.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <memory>

#include "link/core/port_holder.h"
#include "link/core/protocol.h"
#include "link/core/termios_device.h"
#include "sim/simulator.h"
#include "tests/support/pty_peer.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"

namespace qx {
namespace {

using test::Immediate;
using test::PeerReply;
using test::PtyPeer;
using test::ReplyChunk;

PortPaths PathsWith(int index, const std::string& path) {
    PortPaths paths{"/nonexistent/ttyS0", "/nonexistent/ttyS1", "/nonexistent/ttyS2",
                    "/nonexistent/ttyS3"};
    paths[index] = path;
    return paths;
}

TEST(CommPortTable, BitRateOfEveryBaudCode) {
    const int expected[] = {1200, 1200, 1200, 1200, 2400, 4800, 9600, 19200, 38400, 1200};
    for (int code = 0; code < 10; ++code) {
        EXPECT_EQ(BitRate(code), expected[code]) << code;
        EXPECT_EQ(BitRate(code + 10), expected[code]) << code + 10;
    }
    EXPECT_EQ(BitRate(-2), 38400);  // a negative code stays inside the table
}

// The error texts' cases are golden vectors: tests/golden/port_error_text.txt.

// A device that only counts what is done to it.
struct Touches {
    std::atomic<int> writes{0}, purges{0}, reads{0}, opens{0}, closes{0};
};

class CountingDevice : public SerialDevice {
  public:
    explicit CountingDevice(std::shared_ptr<Touches> t) : t_(std::move(t)) {}
    bool Open(const std::string&) override { return ++t_->opens, open_ = true; }
    OpenError LastOpenError() const override { return OpenError::None; }
    bool Configure(int) override { return true; }
    void Purge() override { ++t_->purges; }
    void Write(const char*, std::size_t) override { ++t_->writes; }
    int ReadByte(int) override { return ++t_->reads, -1; }
    void Close() override { ++t_->closes, open_ = false; }
    bool IsOpen() const override { return open_; }

  private:
    std::shared_ptr<Touches> t_;
    bool open_ = false;
};

TEST(CommPortLifecycle, SendOnClosedLinkTouchesNothing) {
    auto touches = std::make_shared<Touches>();
    TCommPort port(PathsWith(0, "fake"),
                   [touches] { return std::make_unique<CountingDevice>(touches); });
    char reply[kBufferSize] = "untouched";
    EXPECT_EQ(port.Send("$01M", reply), kPortNotAvailable);
    EXPECT_EQ(port.CurrentOperation(), kOpSend);

    ASSERT_EQ(port.Open(0, 6, false, nullptr), kOk);
    EXPECT_EQ(touches->purges, 1);  // what an earlier holder was sent is not ours
    EXPECT_EQ(port.Close(), kOk);
    EXPECT_EQ(touches->closes, 1);
    EXPECT_EQ(port.Send("$01M", reply), kPortNotAvailable);
    EXPECT_EQ(touches->writes, 0);
    EXPECT_EQ(touches->purges, 1);
    EXPECT_EQ(touches->reads, 0);
    EXPECT_STREQ(reply, "untouched");
}

TEST(CommPortLifecycle, CloseOfNeverOpenedLink) {
    TCommPort port(PathsWith(0, "/nonexistent"));
    EXPECT_TRUE(port.PollerStopped());
    EXPECT_EQ(port.Close(), kOk);
    EXPECT_EQ(port.CurrentOperation(), kOpClose);
    EXPECT_FALSE(port.IsOpen());
}

TEST(CommPortLifecycle, PortIndexAndBaudCodeAreReduced) {
    PtyPeer peer;
    TCommPort port(PathsWith(1, peer.Path()));
    ASSERT_EQ(port.Open(5, 12, false, nullptr), kOk);  // COM2, code 2
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.BaudCode(), 2);
    EXPECT_EQ(peer.LineBitRate(), 1200);
    ASSERT_EQ(port.Open(1, 8, false, nullptr), kOk);
    EXPECT_EQ(peer.LineBitRate(), 38400);
    port.Close();
}

TEST(CommPortLifecycle, OpenFailures) {
    PtyPeer peer;
    TCommPort holder(PathsWith(0, peer.Path()));
    ASSERT_EQ(holder.Open(0, 6, false, nullptr), kOk);

    TCommPort second(PathsWith(0, peer.Path()));
    EXPECT_EQ(second.Open(0, 6, false, nullptr), kPortNotAvailable);
    EXPECT_EQ(second.LastOpenError(), SerialDevice::OpenError::Busy);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_TRUE(second.PollerStopped());
    char reply[kBufferSize];
    EXPECT_EQ(second.Send("$01M", reply), kPortNotAvailable);

    EXPECT_EQ(second.Open(2, 6, false, nullptr), kPortNotAvailable);
    EXPECT_EQ(second.LastOpenError(), SerialDevice::OpenError::NotFound);

    // The holder lets go on Close, and the port can be had again.
    holder.Close();
    EXPECT_EQ(second.Open(0, 6, false, nullptr), kOk);
    second.Close();
}

// The message for a busy port names the program that holds it: here a child process that took
// the port as the link does (with its lock), then one that merely keeps the file open.
TEST(CommPortLifecycle, BusyPortNamesItsHolder) {
    char name[] = "/tmp/link_heldXXXXXX";
    ::close(::mkstemp(name));
    int ready[2], release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::prctl(PR_SET_NAME, "qxholder");
        ::close(release[1]);  // else the child's own copy keeps the release from coming
        TermiosDevice device;
        const char held = device.Open(name) ? 1 : 0;
        char end;
        if (::write(ready[1], &held, 1) == 1) (void)!::read(release[0], &end, 1);
        ::_exit(0);
    }
    ::close(release[0]);
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    ASSERT_EQ(held, 1);
    TermiosDevice second;
    EXPECT_FALSE(second.Open(name));
    EXPECT_EQ(second.LastOpenError(), SerialDevice::OpenError::Busy);
    const auto holder = FindPortHolder(name);
    ASSERT_TRUE(holder);
    EXPECT_EQ(PortHolderText(*holder), "PID " + std::to_string(child) + ", qxholder");
    ::close(release[1]);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    EXPECT_FALSE(FindPortHolder(name)) << PortHolderText(*FindPortHolder(name));

    const int fd = ::open(name, O_RDONLY);
    const auto opener = FindPortHolder(name);
    ASSERT_TRUE(opener);
    EXPECT_EQ(opener->pid, ::getpid());
    ::close(fd);
    ::close(ready[0]);
    ::close(ready[1]);
    ::unlink(name);
    EXPECT_FALSE(FindPortHolder("/nonexistent/ttyX"));
}

TEST(CommPortLifecycle, RefusedPathIsNotAvailable) {
    if (::geteuid() == 0) GTEST_SKIP() << "root opens any file regardless of its mode";
    char name[] = "/tmp/link_refusedXXXXXX";
    int fd = ::mkstemp(name);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ::chmod(name, 0);
    TCommPort port(PathsWith(0, name));
    EXPECT_EQ(port.Open(0, 6, false, nullptr), kPortNotAvailable);
    EXPECT_EQ(port.LastOpenError(), SerialDevice::OpenError::Permission);
    ::unlink(name);
}

TEST(CommPortLifecycle, DeviceThatCannotBeConfiguredIsReleased) {
    char name[] = "/tmp/link_plainXXXXXX";
    int fd = ::mkstemp(name);
    ASSERT_GE(fd, 0);
    ::close(fd);
    PtyPeer peer;
    TCommPort port(PathsWith(0, name));
    PortPaths paths = PathsWith(0, name);
    paths[1] = peer.Path();
    port.SetPortPaths(paths);
    // A plain file opens but is no terminal: the line settings fail.
    EXPECT_EQ(port.Open(0, 6, false, nullptr), kApiError);
    EXPECT_EQ(port.CurrentOperation(), kOpSetPort);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(port.PollerStopped());
    // The half-open file is not held against the next Open, which succeeds at once.
    TCommPort other(PathsWith(0, name));
    EXPECT_EQ(port.Open(1, 6, false, nullptr), kOk);
    EXPECT_EQ(other.Open(0, 6, false, nullptr), kApiError);  // not Busy: the lock was released
    port.Close();
    other.Close();
    ::unlink(name);
}

TEST(CommPortLifecycle, OpenOnOpenLinkStopsTheOldPollerFirst) {
    PtyPeer first, second;
    test::RecordingSink sink;
    PortPaths paths = PathsWith(0, first.Path());
    paths[3] = second.Path();
    TCommPort port(paths);
    ASSERT_EQ(port.Open(0, 6, false, &sink), kOk);
    port.SetPollEntry(9, -1);
    port.UpdateStation(9, [](StationRecord& st) { st.state = 2; });
    ASSERT_EQ(port.Open(3, 6, false, &sink), kOk);
    // The old poller ended with its final notification; the new one starts from a fresh table.
    EXPECT_TRUE(sink.WaitForNote({kStationChanged, -1, 0}));
    EXPECT_EQ(port.PollEntry(9), 0);
    EXPECT_EQ(port.Station(9).state, 0);
    // The first line is free again.
    TCommPort other(PathsWith(0, first.Path()));
    EXPECT_EQ(other.Open(0, 6, false, nullptr), kOk);
    other.Close();
    port.Close();
    std::vector<test::Note> finals;
    for (const auto& n : sink.Notes())
        if (n.wParam == -1) finals.push_back(n);
    EXPECT_EQ(finals.size(), 2u);
}

// The module at C8h answers a configuration request after the link has given up on it, and
// the link is opened again meanwhile: that reply is no answer to the next request. The peer
// sends the late reply only once the next request has come, so it meets that exchange after
// the purge whatever the machine's load.
TEST(CommPortLifecycle, LateReplyAcrossReopenIsNotTheNextAnswer) {
    PtyPeer peer;
    std::atomic<int> configRequests{0};
    peer.SetScript([&configRequests](const std::string& frame) -> std::optional<PeerReply> {
        if (frame == "$C82\r") {
            if (++configRequests <= 3) return std::nullopt;  // the three attempts go unanswered
            return PeerReply{{{0, "!C814040E\r"}}};
        }
        if (frame == "$C8M\r") return PeerReply{{{0, "!C814040E\r"}, {5, "!C815200520\r"}}};
        return std::nullopt;
    });
    TCommPort port(PathsWith(0, peer.Path()));
    ASSERT_EQ(port.Open(0, 4, false, nullptr), kOk);
    char reply[kBufferSize] = {};
    {
        PauseLease pause(port);
        EXPECT_EQ(port.Send("$C82", reply), kTimeoutError);
    }
    ASSERT_EQ(port.Open(0, 4, false, nullptr), kOk);
    PauseLease pause(port);
    ASSERT_EQ(port.Send("$C8M", reply), kOk);
    EXPECT_STREQ(reply, "!C815200520\r");
    ASSERT_EQ(port.Send("$C82", reply), kOk);
    EXPECT_STREQ(reply, "!C814040E\r");
}

double ThreadCpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

double WallSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

TEST(CommPortLifecycle, HungUpLineDoesNotSpin) {
    sim::Simulator sim;
    sim.AddModule(sim::ModuleSettings{});
    ASSERT_TRUE(sim.Start());
    test::RecordingSink sink;
    TCommPort port(PathsWith(0, sim.SlavePath()));
    ASSERT_EQ(port.Open(0, 6, false, &sink), kOk);
    char reply[kBufferSize];
    {
        PauseLease pause(port);
        // A generous gap while the simulator answers: a loaded machine may slow it down.
        port.SetReplyGapMs(600);
        ASSERT_EQ(port.Send("$01M", reply), kOk);
        port.SetReplyGapMs(kReplyGapMs);
    }
    port.SetPollEntry(1, -1);
    PauseLease pause(port);  // parked before the hang-up: the poller has not seen it
    ASSERT_TRUE(sim.HangUp(false));
    const double cpu0 = ThreadCpuSeconds(), wall0 = WallSeconds();
    // The first attempt finds the line gone once its time-out is over; from then on the port is
    // known lost and exchanges fail at once. A spinning read would burn the whole time-out.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(port.Send("$01M", reply), kPortNotAvailable);
    const double cpu = ThreadCpuSeconds() - cpu0, wall = WallSeconds() - wall0;
    EXPECT_TRUE(port.PortLost());
    EXPECT_GE(wall, 0.070 * 0.9);
    EXPECT_LT(cpu, wall / 10) << "cpu " << cpu << " s over " << wall << " s";
}

// A module whose simulator hung up leaves its link naming the old pseudo-terminal's number, and
// the system hands that number to the next terminal opened: another program's. The link that
// lost its port must not take that terminal (the other program would find its own port "used by
// another program"); a link made anew leads back.
TEST(CommPortLifecycle, LostPortIsNotTakenBackThroughALinkToARecycledTerminal) {
    test::TempDir dir;
    sim::Simulator first;
    first.AddModule(sim::ModuleSettings{});
    first.SetLinkPath(dir.File("bus"));
    ASSERT_TRUE(first.Start());
    const std::string number = first.SlavePath();
    TCommPort port(PathsWith(0, dir.File("bus")));
    ASSERT_EQ(port.Open(0, 6, false, nullptr), kOk);
    PauseLease pause(port);  // the bus is this thread's: the poller stays parked
    ASSERT_TRUE(first.HangUp(false));
    char reply[kBufferSize];
    EXPECT_EQ(port.Send("$01M", reply), kPortNotAvailable);
    ASSERT_TRUE(port.PortLost());

    sim::Simulator other;
    other.AddModule(sim::ModuleSettings{});
    ASSERT_TRUE(other.Start());
    if (other.SlavePath() != number) GTEST_SKIP() << "the terminal's number went elsewhere";
    EXPECT_FALSE(port.ReopenLostPort());
    EXPECT_TRUE(port.PortLost());
    TCommPort theirs(PathsWith(0, other.SlavePath()));
    EXPECT_EQ(theirs.Open(0, 6, false, nullptr), kOk);

    // The simulator opens a new terminal and makes its link anew: the port is back.
    ASSERT_TRUE(first.HangUp(true));
    EXPECT_TRUE(port.ReopenLostPort());
    EXPECT_FALSE(port.PortLost());
    EXPECT_EQ(port.Send("$01M", reply), kOk);
}

}  // namespace
}  // namespace qx
