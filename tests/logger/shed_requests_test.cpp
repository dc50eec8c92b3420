#include "logger/core/shed_requests.h"

#include <gtest/gtest.h>

#include "logger/core/limit_field.h"

namespace qx {
namespace {

// The catalogue's encoding for instruments without the full input set; enough for these tests.
int Encode(int q, int r, int i) {
    return q * 16 + 4 * r + 2 * i;
}

TEST(LimitField, GoldenVectors) {
    struct Case {
        const char* text;
        const char* field;
    } cases[] = {
        {"+9999", "19999"},  {"-9999", "29999"}, {"25", "82500"},      {"-1.5", "E1500"},
        {"+0,5", "D0500"},   {"0", "D0000"},     {"12345", "09999"},   {"", "D0000"},
        {"xyz", "D0000"},    {"abc", "E1000"},   {" 2.5e2", "42500"},  {"0.5", "C0500"},
        {"0.0001", "D0000"}, {"1e999", "09999"}, {"-1e-999", "D0000"}, {"5C", "E4000"},
        {"-5c", "E6000"},    {"5L", "D6000"},    {"1000", "01000"},    {"999.9", "49999"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EncodeLimit(c.text), c.field) << '"' << c.text << '"';
}

TEST(LimitField, PairsReadAsTheModuleNeedsThem) {
    struct Case {
        const char* text;
        char sep;
        int first, second;
    } cases[] = {{"0.0.", '.', 0, 0},  {"1:00", ':', 1, 0},    {"5", ':', 5, 0},
                 {"", ':', 0, 0},      {"24.12", '.', 24, 12}, {" 7: 30", ':', 7, 30},
                 {"7 :30", ':', 7, 0}, {"x:5", ':', 0, 0},     {"-1:-2", ':', -1, -2},
                 {"12:", ':', 12, 0}};
    for (const Case& c : cases) {
        const NumberPair p = ParsePair(c.text, c.sep);
        EXPECT_EQ(p.first, c.first) << c.text;
        EXPECT_EQ(p.second, c.second) << c.text;
    }
}

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
    EXPECT_EQ(AddressFromText(""), 0);
}

}  // namespace
}  // namespace qx
