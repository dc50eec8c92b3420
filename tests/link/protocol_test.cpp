#include "link/core/protocol.h"

#include <gtest/gtest.h>

// The reply decoders' cases are golden vectors: tests/golden/reply_*.txt and value_reply.txt.

namespace qx {
namespace {

TEST(Protocol, FramesWithAndWithoutChecksum) {
    EXPECT_EQ(Frame(ReqModel(1), false), "$01M\r");
    EXPECT_EQ(Frame(ReqModel(1), true), "$01MD2\r");
    EXPECT_EQ(Frame(ReqValue(0xFF), false), "#FF\r");
}

TEST(Protocol, RequestTemplates) {
    EXPECT_EQ(ReqSetConfig(0x0A, 0x0A, 0x5D, 6, 0x40), "%0A0A5D0640");
    EXPECT_EQ(ReqQueueRecord(1, 0), "@01RQ0");
    EXPECT_EQ(ReqWriteClock(1, 14, 5, 9, 6, 12, 26), "@01WT140509061226");
    EXPECT_EQ(ReqWriteEntry(1, 0, 0, 0, 0, 0, 0, 1, 0), "@01WD000000000000100");
    EXPECT_EQ(ReqWriteLimits(1, 0, "29999", "19999", 0, 10), "@01WL029999199990010");
    EXPECT_EQ(ReqWriteEnable(1, 0x80, 0x05), "@01WE8005");
    EXPECT_EQ(ReqDisableAll(0xFE), "@FEWE0000");
    EXPECT_EQ(ReqReadEntry(2, 7), "@02RD7");
}

}  // namespace
}  // namespace qx
