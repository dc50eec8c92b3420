#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>

#include "link/core/comm_port.h"
#include "link/core/pause_lease.h"
#include "link/core/protocol.h"
#include "tests/support/pty_peer.h"

namespace qx {
namespace {

using test::Immediate;
using test::PeerReply;
using test::PtyPeer;
using test::ReplyChunk;

// A link opened on a scripted peer. Exchanges run with the poller parked, as a foreground
// transaction would run them.
class SendTest : public ::testing::Test {
  protected:
    // Exchanges whose timing is not the point get a generous gap, so that a peer slowed down by
    // a loaded machine does not look silent (its late reply would then meet the next attempt);
    // the timing cases use the real one.
    void SetUp() override { port_.SetReplyGapMs(1000); }
    void OpenLink(bool checksum) {
        port_.SetPortPaths({peer_.Path(), "", "", ""});
        ASSERT_EQ(port_.Open(0, 6, checksum, nullptr), kOk);
    }
    int Exchange(const char* request) {
        PauseLease pause(port_);
        return port_.Send(request, reply_);
    }
    void Answer(std::string text) {
        peer_.SetScript([text](const std::string&) { return Immediate(text); });
    }

    PtyPeer peer_;
    TCommPort port_{PortPaths{}};
    char reply_[kBufferSize] = {};
};

TEST_F(SendTest, FramesOnTheWireWithAndWithoutChecksum) {
    OpenLink(false);
    Answer("!011525 520\r");
    ASSERT_EQ(Exchange("$01M"), kOk);
    EXPECT_STREQ(reply_, "!011525 520\r");

    OpenLink(true);
    Answer(Frame("!011525 520", true));
    ASSERT_EQ(Exchange("$01M"), kOk);
    EXPECT_EQ(std::string(reply_), Frame("!011525 520", true));  // digits and CR kept
    EXPECT_EQ(peer_.Frames(), (std::vector<std::string>{"$01M\r", "$01MD2\r"}));
}

TEST_F(SendTest, ReplyChecksumIsJudgedOnTheCharactersAsReceived) {
    OpenLink(true);
    struct Case {
        const char* reply;
        int result;
    };
    const Case cases[] = {
        // Too short to carry digits and to name the module: no answer, and no reading outside
        // the text.
        {"5\r", kTimeoutError},      {"\r", kTimeoutError},
        {"00\r", kTimeoutError},     {"!0A92\r", kOk},
        {"!0a92\r", kChecksumError}, {"!0A@d2\r", kOk},  // lower-case digits count as upper-case
        {"!0A93\r", kChecksumError},
    };
    for (const Case& c : cases) {
        // Waiting out three silent gaps needs no margin for a slow peer: what comes late is
        // still no answer.
        port_.SetReplyGapMs(c.result == kTimeoutError ? 100 : 1000);
        peer_.ClearFrames();
        Answer(c.reply);
        EXPECT_EQ(Exchange("$0A0"), c.result) << c.reply;
        // A damaged reply is not asked again.
        const std::size_t attempts = c.result == kTimeoutError ? 3 : 1;
        peer_.WaitFrames(attempts);
        EXPECT_EQ(peer_.Frames().size(), attempts) << c.reply;
        EXPECT_EQ(port_.CurrentOperation(), c.result == kTimeoutError ? kOpSend : kOpReceive);
    }
    EXPECT_EQ(port_.StrError(kChecksumError).substr(port_.StrError(kChecksumError).rfind('\n') + 1),
              "    Funkce:  TCommPort::Receive()");
}

// A line that does not answer the request in hand (a late reply to an earlier one, another
// module's, the tail of a reply whose start was purged) is passed over: the answer behind it
// counts, and without one the exchange has had no answer.
TEST_F(SendTest, ReplyToAnotherRequestIsNoAnswer) {
    OpenLink(false);
    const std::string model = "!0115200520\r";
    struct Case {
        const char* request;
        std::vector<ReplyChunk> chunks;
        std::string reply;  // empty: no answer in three attempts
    };
    const Case cases[] = {
        {"$01M", {{0, "!021525 520\r"}}, ""},      // another address
        {"$01M", {{0, "!01140400\r"}}, ""},        // the configuration reply's layout
        {"$012", {{0, model}}, ""},                // the model reply's layout
        {"$01N", {{0, ">+12.34\r"}}, ""},          // a value
        {"#01", {{0, "?02\r"}}, ""},               // another module's refusal
        {"#01", {{0, "!01140400\r"}}, ""},         // a reply with data is never the value's
        {"%0102230600", {{0, "!03\r"}}, ""},       // neither the old address nor the new one
        {"%0102230600", {{0, "!02\r"}}, "!02\r"},  // answered from the new address
        {"$01M", {{0, "!01140400\r"}, {0, "?02\r"}, {0, model}}, model},
        {"$01M", {{0, "0400\r"}, {0, model}}, model},  // the tail of a reply cut in two
        {"$01M", {{0, "!01140"}, {5, model}}, model},  // a start whose end never came
    };
    for (const Case& c : cases) {
        peer_.ClearFrames();
        peer_.SetScript([chunks = c.chunks](const std::string&) {
            return PeerReply{chunks, false};
        });
        std::strcpy(reply_, "");
        port_.SetReplyGapMs(c.reply.empty() ? 100 : 1000);
        const int result = Exchange(c.request);
        EXPECT_EQ(result, c.reply.empty() ? kTimeoutError : kOk) << c.request << " " << c.reply;
        EXPECT_EQ(reply_, c.reply) << c.request;
        const std::size_t attempts = c.reply.empty() ? 3 : 1;
        peer_.WaitFrames(attempts);  // a peer slowed down by a loaded machine reads them late
        EXPECT_EQ(peer_.Frames().size(), attempts) << c.request << " " << c.reply;
    }
}

TEST_F(SendTest, RefusalIsASuccessfulExchange) {
    OpenLink(false);
    Answer("?01\r");
    EXPECT_EQ(Exchange("@01RQ0"), kOk);
    EXPECT_STREQ(reply_, "?01\r");
}

TEST_F(SendTest, SecondAttemptSuccessIsNotReported) {
    port_.SetReplyGapMs(400);  // a silent attempt, then the drain after the answer: both wait
    OpenLink(false);
    auto calls = std::make_shared<std::atomic<int>>(0);
    peer_.SetScript([calls](const std::string&) -> std::optional<PeerReply> {
        if ((*calls)++ == 0) return std::nullopt;
        return Immediate("!01\r");
    });
    EXPECT_EQ(Exchange("$010"), kOk);
    EXPECT_STREQ(reply_, "!01\r");
    EXPECT_EQ(peer_.Frames(), (std::vector<std::string>{"$010\r", "$010\r"}));
}

// A module slower than the gap answers every attempt late: the answer to the first attempt is
// taken on the second, and the second's own answer, still on its way, never meets the next
// exchange (the record request of a download would read one record twice).
TEST_F(SendTest, LateAnswerIsTakenOnTheRetryAndTheNextOneNeverMeetsTheNextExchange) {
    port_.SetReplyGapMs(100);
    OpenLink(false);
    auto calls = std::make_shared<std::atomic<int>>(0);
    peer_.SetScript([calls](const std::string&) -> std::optional<PeerReply> {
        const int n = ++*calls;
        const std::string reply = "!01" + std::to_string(n) + "\r";
        return PeerReply{{{n <= 2 ? 150 : 0, reply}}, false};
    });
    EXPECT_EQ(Exchange("@01RQ0"), kOk);
    EXPECT_STREQ(reply_, "!011\r");
    port_.SetReplyGapMs(1000);
    EXPECT_EQ(Exchange("@01RQ1"), kOk);
    // The answer to this exchange's own request: the peer numbers its answers by the frames read.
    EXPECT_EQ(reply_, "!01" + std::to_string(peer_.Frames().size()) + "\r");
    EXPECT_GE(peer_.Frames().size(), 3u);
}

TEST_F(SendTest, SilentModuleTakesThreeAttemptsThenTimesOut) {
    port_.SetReplyGapMs(200);  // nothing comes anyway
    OpenLink(true);
    std::strcpy(reply_, "kept");
    EXPECT_EQ(Exchange("#01"), kTimeoutError);
    EXPECT_STREQ(reply_, "kept");
    peer_.WaitFrames(3);  // a peer slowed down by a loaded machine reads the last one late
    EXPECT_EQ(peer_.Frames(), std::vector<std::string>(3, Frame("#01", true)));
    EXPECT_EQ(port_.CurrentOperation(), kOpSend);
}

TEST_F(SendTest, BytesArrivingWithinTheGapAreOneReply) {
    // Pauses of 40 ms inside a reply, well within the gap even where a loaded machine wakes the
    // peer late.
    port_.SetReplyGapMs(400);
    OpenLink(false);
    peer_.SetScript([](const std::string&) {
        return PeerReply{{{0, "!01"}, {40, "12"}, {40, "34"}, {40, "\r"}}, false};
    });
    EXPECT_EQ(Exchange("$01N"), kOk);
    EXPECT_STREQ(reply_, "!011234\r");
}

TEST_F(SendTest, StallLongerThanTheGapEndsTheReply) {
    port_.SetReplyGapMs(kReplyGapMs);
    OpenLink(false);
    peer_.SetScript([](const std::string&) {
        return PeerReply{{{0, "!01"}, {250, "12\r"}}, false};
    });
    EXPECT_EQ(Exchange("$01N"), kOk);
    EXPECT_STREQ(reply_, "!01");  // as far as it came, without CR
    EXPECT_EQ(peer_.Frames().size(), 1u);
}

TEST_F(SendTest, ReceiveBufferBound) {
    OpenLink(false);
    // 30 characters and CR fill the buffer exactly and are one reply.
    const std::string longest = "!01" + std::string(27, '7') + "\r";
    Answer(longest);
    EXPECT_EQ(Exchange("@01RQ1"), kOk);
    EXPECT_EQ(std::string(reply_), longest);
    // One character more leaves no room for the CR: no usable reply, asked three times.
    peer_.ClearFrames();
    Answer("!01" + std::string(28, '7') + "\r");
    EXPECT_EQ(Exchange("@01RQ1"), kTimeoutError);
    EXPECT_EQ(peer_.Frames().size(), 3u);
}

TEST_F(SendTest, EndlessStreamWithoutCrFailsCleanly) {
    OpenLink(false);
    peer_.SetScript([](const std::string&) { return PeerReply{{}, true}; });
    EXPECT_EQ(Exchange("#01"), kTimeoutError);
    EXPECT_EQ(peer_.Frames().size(), 3u);
    // The stream stops; the purge before the next exchange leaves none of it in the reply.
    Answer(">+12.345\r");
    EXPECT_EQ(Exchange("#01"), kOk);
    EXPECT_STREQ(reply_, ">+12.345\r");
}

TEST_F(SendTest, OverlongRequestIsNotSentCut) {
    OpenLink(true);
    const std::string request(29, 'A');  // with digits and CR one more than the buffer holds
    EXPECT_EQ(Exchange(request.c_str()), kApiError);
    EXPECT_TRUE(peer_.Frames().empty());
    const std::string fits(28, 'A');
    Answer("!\r");
    port_.Close();
    OpenLink(false);
    EXPECT_EQ(Exchange(fits.c_str()), kOk);
    EXPECT_EQ(peer_.Frames(), std::vector<std::string>{fits + "\r"});
}

}  // namespace
}  // namespace qx
