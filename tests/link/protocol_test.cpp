#include "link/core/protocol.h"

#include <gtest/gtest.h>

#include <string>

#include "link/core/station.h"

namespace qx {
namespace {

TEST(Protocol, FramesWithAndWithoutChecksum) {
    EXPECT_EQ(Frame(ReqModel(1), false), "$01M\r");
    EXPECT_EQ(Frame(ReqModel(1), true), "$01MD2\r");
    EXPECT_EQ(Frame(ReqValue(0xFF), false), "#FF\r");
}

TEST(Protocol, ReplyChecksumIsOverTheCharactersAsReceived) {
    EXPECT_TRUE(ReplyChecksumOk("!0A92\r"));
    EXPECT_FALSE(ReplyChecksumOk("!0a92\r"));
    EXPECT_TRUE(ReplyChecksumOk("$01Md2\r"));  // lower-case digits read as upper-case
    EXPECT_FALSE(ReplyChecksumOk("!0A9\r"));
    // Too short to carry two digits and a CR: a checksum error, nothing read outside.
    EXPECT_FALSE(ReplyChecksumOk(""));
    EXPECT_FALSE(ReplyChecksumOk("\r"));
    EXPECT_FALSE(ReplyChecksumOk("0\r"));
    EXPECT_TRUE(ReplyChecksumOk("00\r"));  // empty text sums to 00
    EXPECT_FALSE(ReplyChecksumOk("!0AG2\r"));
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

TEST(Protocol, ReplyFields) {
    const std::string_view reply = "!0A1525 520\r";
    EXPECT_EQ(DecimalAt(reply, 4, 7), 1525);
    EXPECT_EQ(DecimalAt(reply, 8, 11), 520);
    EXPECT_EQ(DecimalAt("!0A00001234", 4, 11), 1234);
    EXPECT_EQ(DecimalAt("!0A12", 4, 11), 12);  // shorter reply: what is there
    EXPECT_EQ(DecimalAt("!0A", 4, 11), 0);
    EXPECT_EQ(DecimalAt("!0A-12x4", 4, 8), -12);
    // A digit run longer than any field (a damaged reply) is held at the limits of int.
    EXPECT_EQ(DecimalAt(">12345678901\r", 2, 20), 2147483647);
    EXPECT_EQ(DecimalAt("-00000000002147483648", 1, 30), -2147483647 - 1);
    EXPECT_EQ(DecimalAt("-" + std::string(40, '9'), 1, 41), -2147483647 - 1);
    EXPECT_EQ(HexPairAt("!0A5D060A\r", 4), 0x5D);
    EXPECT_EQ(HexPairAt("!0A5d060a\r", 8), 0x0A);
    EXPECT_EQ(HexPairAt("!0A5", 4), -1);
    EXPECT_EQ(HexPairAt("!0AZZ", 4), -1);
}

TEST(Protocol, ReplyAnswersItsRequestOnly) {
    struct Case {
        const char* request;
        const char* reply;  // raw, as read
        bool checksum;
        bool answers;
    };
    const Case cases[] = {
        {"$C8M", "!C815200520\r", false, true},
        {"$C8M", "!C8140400\r", false, false},  // the configuration reply: "QX404"
        {"$C8M", "!C91520 520\r", false, false},
        {"$C8M", "!c81520 520\r", false, true},  // hex digits as the bus reads them
        {"$C8F", "!C8010202\r", false, false},
        {"$C82", "!C815200520\r", false, false},
        {"$C82", "!C8140Z0E\r", false, false},
        {"$C82", "!C814040E4C\r", true, true},  // digits and CR are not part of the layout
        {"$C82", "!C814040E\r", true, false},   // with checksums on, 0E are the digits
        {"$C8N", "!C8100\r", false, true},      // the number need not be padded
        {"$C8N", "!C8\r", false, false},
        {"$C8N", "?C8\r", false, true},
        {"$C8N", "?C9\r", false, false},
        {"$C8N", "?\r", false, true},  // a refusal that names nobody may be ours
        {"$C8N", ">+12.3\r", false, false},
        {"$C8M", "!C815", false, true},  // cut short: judged as far as it came
        {"$C8M", "!C915", false, false},
        {"$C80", "!C8\r", false, true},
        {"%C8C9140400", "!C9\r", false, true},
        {"%C8C9140400", "!C8\r", false, true},
        {"%C8C9140400", "!CA\r", false, false},
        {"#C8", ">+12.3\\\r", false, true},
        {"#C8", "?C8\r", false, true},
        {"#C8", "?C9\r", false, false},
        {"#C8", "!C8140400\r", false, false},
        {"#C8", "!C8\r", false, true},  // no value, in the accepted layout
        {"#C8", "!C9\r", false, false},
        {"@C8RQ0", "!C85D4605000000C6DC\r", false, true},
        {"@C8RF", "!C70001\r", false, false},
        {"@C8RF", ">0001\r", false, false},
        {"$C8M", "\r", false, false},
        {"$C8M", "", false, false},
        {"AAAA", "!\r", false, true},  // not of the command table: nothing to judge
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReplyAnswers(c.request, c.reply, c.checksum), c.answers)
            << c.request << " " << c.reply;
    EXPECT_EQ(ReplyText("!0A12\r", true), "!0A");
    EXPECT_EQ(ReplyText("!0A12\r", false), "!0A12");
    EXPECT_EQ(ReplyText("!0A12", true), "!0A12");  // cut short: its digits never came
    EXPECT_EQ(ReplyText("1\r", true), "1");
}

TEST(Protocol, ValueReply) {
    double v = 0;
    int sign = -1;
    ASSERT_TRUE(ParseValueReply(">+12.345\r", &v, &sign));
    EXPECT_DOUBLE_EQ(v, 12.340);  // position 8 becomes "0"
    EXPECT_EQ(sign, 1);
    ASSERT_TRUE(ParseValueReply(">-1.23\\5\r", &v, &sign));
    EXPECT_DOUBLE_EQ(v, -1.23);  // backslash kept, ends the number
    EXPECT_EQ(sign, 2);
    ASSERT_TRUE(ParseValueReply(">0.5\r", &v, &sign));
    EXPECT_DOUBLE_EQ(v, 0.5);
    EXPECT_EQ(sign, 0);
    ASSERT_TRUE(ParseValueReply(">+1.5E+3\r", &v, &sign));
    EXPECT_DOUBLE_EQ(v, 1.5);  // position 8 is the exponent's digit, read as 0
    // An exponent beyond a double: too large is no value, too small is 0.
    ASSERT_TRUE(ParseValueReply(">+9e99999\r", &v, &sign));
    EXPECT_EQ(v, kNoValue);
    EXPECT_EQ(sign, 1);
    ASSERT_TRUE(ParseValueReply(">-9e99999\r", &v, &sign));
    EXPECT_EQ(v, kNoValue);
    ASSERT_TRUE(ParseValueReply(">+1e-9999\r", &v, &sign));
    EXPECT_EQ(v, 0.0);
    ASSERT_TRUE(ParseValueReply(">12345678901\r", &v, &sign));
    EXPECT_EQ(v, kNoValue);
    ASSERT_TRUE(ParseValueReply(">", &v, &sign));
    EXPECT_DOUBLE_EQ(v, 0.0);
    EXPECT_EQ(sign, 0);
    v = 7;
    EXPECT_FALSE(ParseValueReply("?0A\r", &v, &sign));
    EXPECT_FALSE(ParseValueReply("", &v, &sign));
    EXPECT_DOUBLE_EQ(v, 7);
}

}  // namespace
}  // namespace qx
