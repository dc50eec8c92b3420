#include "logger/core/shed_requests.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>

#include "logger/core/limit_field.h"

namespace qx {
namespace {

// The catalogue's encoding for instruments without the full input set; enough for these tests.
int Encode(int q, int r, int i) {
    return q * 16 + 4 * r + 2 * i;
}

// The limit field and the number pairs are golden vectors: tests/golden/limit_field.txt and
// number_pair.txt.

TEST(ShedRequests, EnableMaskAndRewriteByte) {
    Schedule s = Schedule::Defaults();
    s.allOff = false;
    s.rewrite = true;
    s.entries[0].active = true;
    s.entries[2].active = true;
    EXPECT_EQ(WriteEnableRequest(3, s), "@03WE8005");
    EXPECT_EQ(ExpectedEnableReply(3, s), "!038005");
    s.entries[7].active = true;
    s.rewrite = false;
    EXPECT_EQ(EnableMask(s), 0x85);
    s.allOff = true;  // switches everything off whatever the entries say
    EXPECT_EQ(WriteEnableRequest(3, s), "@03WE0000");
    EXPECT_EQ(ExpectedEnableReply(3, s), "!030000");
}

TEST(ShedRequests, EntryAndLimitRequestsWithTheirReadBacks) {
    const ShedEntry defaults = Schedule::Defaults().entries[0];
    EXPECT_EQ(WriteEntryRequest(1, 0, defaults, 0), "@01WD000000000000100");
    EXPECT_EQ(WriteLimitsRequest(1, 0, defaults), "@01WL029999199990010");

    const ShedEntry e{true, 5, 1, 1, "24.12.", "7:30", "15:05", "+0,5", "-1.5", "0:0"};
    const int config = Encode(5, 1, 1);
    const std::string wd = WriteEntryRequest(0xA0, 6, e, config);
    EXPECT_EQ(wd, "@A0WD656073024121505");
    EXPECT_EQ(wd.size(), 20u);
    EXPECT_EQ(ExpectedEntryReply(0xA0, e, config), "!A056073024121505");
    const std::string wl = WriteLimitsRequest(0xA0, 6, e);
    EXPECT_EQ(wl, "@A0WL6E1500D05000000");
    EXPECT_EQ(wl.size(), 20u);
    EXPECT_EQ(ExpectedLimitsReply(0xA0, e), "!A0E1500D05000000");

    // Empty texts: every number field 00, every limit D0000.
    const ShedEntry empty{};
    EXPECT_EQ(WriteEntryRequest(1, 2, empty, 0), "@01WD200000000000000");
    EXPECT_EQ(WriteLimitsRequest(1, 2, empty), "@01WL2D0000D00000000");
}

TEST(ShedRequests, ClockRequestAndReply) {
    const LocalTime t{2026, 12, 6, 14, 5, 9};
    EXPECT_EQ(WriteClockRequest(1, t), "@01WT140509061226");
    EXPECT_EQ(ExpectedClockReply(1, t), "!01140509061226");
}

TEST(ShedRequests, ValidationNamesTheIndexAndTheField) {
    const Schedule good = Schedule::Defaults();
    EXPECT_EQ(ValidateSchedule(good, Encode), "");

    struct Case {
        int index;
        ShedEntry entry;
        const char* words;
    } cases[] = {
        {2,
         {false, -1, 0, 0, "0.0.", "0:0", "1:00", "", "", "0:10"},
         "Index  3: není zvolena platná"},
        {7, {false, 8, 0, 0, "0.0.", "0:0", "1:00", "", "", "0:10"}, "Index  8: není zvolena"},
        {0, {false, 0, -1, 0, "0.0.", "0:0", "1:00", "", "", "0:10"}, "Index  1: neplatný rozsah"},
        {0, {false, 2, -1, 0, "0.0.", "0:0", "1:00", "", "", "0:10"}, "Index  1: neplatný rozsah"},
        {1, {false, 0, 0, 0, "100.1.", "0:0", "1:00", "", "", "0:10"}, "Index  2: datum zahájení"},
        {4, {false, 0, 0, 0, "1.1.", "-1:0", "1:00", "", "", "0:10"}, "Index  5: čas zahájení"},
        {5, {false, 0, 0, 0, "1.1.", "1:0", "0:100", "", "", "0:10"}, "Index  6: interval měření"},
        {6, {false, 0, 0, 0, "1.1.", "1:0", "60:00", "", "", "120:0"}, "překročení mezí"},
    };
    for (const Case& c : cases) {
        Schedule s = good;
        s.entries[c.index] = c.entry;
        EXPECT_NE(ValidateSchedule(s, Encode).find(c.words), std::string::npos) << c.words;
    }
}

TEST(ShedRequests, AddressText) {
    EXPECT_EQ(AddressFromText("(12"), 12);
    EXPECT_EQ(AddressFromText("12"), 12);
    EXPECT_EQ(AddressFromText("(x"), 0);
    EXPECT_EQ(AddressFromText("(300"), 300);  // not held to 0..254 as the Setup page holds it
    EXPECT_EQ(AddressFromText(""), 0);
}

}  // namespace
}  // namespace qx

namespace qx {
namespace {

// Any text at all: a schedule that passes validation always gives requests of the lengths the
// module expects, and read-backs of 17 characters.
TEST(ShedRequests, ValidatedSchedulesAlwaysGiveWellFormedRequests) {
    std::mt19937 rng(1234);
    const std::string alphabet = "0123456789.:,;+-eECcLl x\xC4\x9B";
    auto randomText = [&] {
        std::string t;
        for (int n = static_cast<int>(rng() % 9); n > 0; --n)
            t += alphabet[rng() % alphabet.size()];
        return t;
    };
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        Schedule s = Schedule::Defaults();
        ShedEntry& e = s.entries[round % 8];
        e = {true,
             static_cast<int>(rng() % 10) - 1,
             static_cast<int>(rng() % 6) - 1,
             static_cast<int>(rng() % 4) - 1,
             randomText(),
             randomText(),
             randomText(),
             randomText(),
             randomText(),
             randomText()};
        for (const std::string& limit : {EncodeLimit(e.high), EncodeLimit(e.low)}) {
            ASSERT_EQ(limit.size(), 5u) << e.high << ' ' << e.low;
            ASSERT_TRUE(std::isxdigit(static_cast<unsigned char>(limit[0])));
        }
        if (!ValidateSchedule(s, Encode).empty()) continue;
        ++accepted;
        const int config = Encode(e.quantity, e.range, e.input);
        EXPECT_EQ(WriteEntryRequest(0xFE, 7, e, config).size(), 20u) << e.date << ' ' << e.time;
        EXPECT_EQ(WriteLimitsRequest(0xFE, 7, e).size(), 20u) << e.limitInterval;
        EXPECT_EQ(ExpectedEntryReply(0xFE, e, config).size(), 17u);
        EXPECT_EQ(ExpectedLimitsReply(0xFE, e).size(), 17u);
    }
    EXPECT_GT(accepted, 100);  // the walk must really reach the request builders
}

}  // namespace
}  // namespace qx
