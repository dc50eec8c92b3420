#include "sim/logger.h"

#include <gtest/gtest.h>

#include <string>

#include "sim/module.h"

namespace qx::sim {
namespace {

constexpr int k9600 = 6;

// A module at address 1 whose instrument reads a fixed 50.0 Hz (5Dh: frequency, automatic
// range, voltage input), so every record's value is known.
Module FixedModule(double value = 50.0) {
    ModuleSettings s;
    s.address = 1;
    s.baudCode = k9600;
    s.config = 0x5D;
    Module m(s);
    m.SetFixedValue(value);
    return m;
}

std::string Ask(Module& m, const std::string& request, double now) {
    return m.Respond(request, k9600, now).value_or("(silent)");
}

TEST(SimLogger, ClockRunsFromTheTimeWritten) {
    Module m = FixedModule();
    EXPECT_EQ(Ask(m, "@01WT140509061226", 100.0), "!01");
    EXPECT_EQ(Ask(m, "@01RT", 100.9), "!01140509061226");
    EXPECT_EQ(Ask(m, "@01RT", 108.0), "!01140517061226");
    EXPECT_EQ(Ask(m, "@01WT235959311299", 0.0), "!01");  // 1999: two-digit years from 1998
    EXPECT_EQ(Ask(m, "@01RT", 2.0), "!01000001010100");
    for (const char* bad :
         {"@01WT140509061326", "@01WT240000010126", "@01WT000000300226", "@01WT006000010126"})
        EXPECT_EQ(Ask(m, bad, 3.0), "?01") << bad;
    EXPECT_EQ(Ask(m, "@01RT", 3.0), "!01000002010100");  // refused writes leave the clock alone
}

TEST(SimLogger, ScheduleWritesAreReadBackFieldForField) {
    Module m = FixedModule();
    const struct {
        const char* write;
        const char* read;
        const char* reply;
    } cases[] = {
        {"@01WD000000000000100", "@01RD0", "!0100000000000100"},
        {"@01WD75D083024120513", "@01RD7", "!015D083024120513"},
        {"@01WL029999199990010", "@01RL0",
         "!012999919999"
         "0010"},
        {"@01WL3E1500825000130", "@01RL3", "!01E1500825000130"},
        {"@01WE8005", "@01RE", "!018005"},
        {"@01WE0000", "@01RE", "!010000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Ask(m, c.write, 0.0), "!01") << c.write;
        EXPECT_EQ(Ask(m, c.read, 0.0), c.reply) << c.read;
    }
    // The other entries keep what they had.
    EXPECT_EQ(Ask(m, "@01RD1", 0.0), "!0100000000000000");
}

TEST(SimLogger, EnabledEntriesFillTheQueueInTimeOrder) {
    Module m = FixedModule();
    Ask(m, "@01WT120000060126", 0.0);
    Ask(m, "@01WD05D000000000010", 0.0);  // every 10 s
    Ask(m, "@01WD25D000000000030", 0.0);  // every 30 s
    Ask(m, "@01WD140000000000001", 0.0);  // every second, but not enabled
    EXPECT_EQ(Ask(m, "@01WE0005", 0.0), "!01");
    EXPECT_EQ(Ask(m, "@01RF", 60.5), "!01000A");  // 0,10,..,60 and 0,30,60
    const auto& q = m.Log().Queue();
    ASSERT_EQ(q.size(), 10u);
    // 12:00:00 on 6.1.2026, 50.0 with one decimal, no sign.
    EXPECT_EQ(q[0], RecordPayload(0x5D, 0x04, 500, {2026, 1, 6, 12, 0, 0}));
    EXPECT_EQ(q[0],
              "5D040500"
              "40"
              "0C"
              "06"
              "1C");  // January: 01 in T1, 00 in T4
    EXPECT_EQ(q[9], RecordPayload(0x5D, 0x04, 500, {2026, 1, 6, 12, 1, 0}));
    std::string stamps;
    for (const auto& r : q)
        stamps += r.substr(8, 2) + " ";
    EXPECT_EQ(stamps, "40 40 4A 54 5E 5E 68 72 40 40 ");  // T1: month bits 01, seconds 0,0,10,20,..
    // Disabling stops the logging; what is queued stays.
    Ask(m, "@01WE0000", 60.5);
    EXPECT_EQ(Ask(m, "@01RF", 500.0), "!01000A");
}

TEST(SimLogger, LimitIntervalAppliesWhileTheValueIsOutside) {
    Module m = FixedModule(50.0);
    Ask(m, "@01WT120000060126", 0.0);
    Ask(m, "@01WD05D000000000100", 0.0);  // every minute
    Ask(m, "@01WL029999840000005", 0.0);  // high limit 40, limit interval 5 s
    Ask(m, "@01WE0001", 0.0);
    EXPECT_EQ(Ask(m, "@01RF", 60.0), "!01000D");            // 0,5,..,60 while above 40
    EXPECT_EQ(m.Log().Queue().front().substr(2, 2), "84");  // above the high limit
    m.SetFixedValue(30.0);
    EXPECT_EQ(Ask(m, "@01RF", 180.0), "!01000F");  // 65 (inside again), then 125 only
    EXPECT_EQ(m.Log().Queue().back().substr(2, 2), "04");
    m.SetFixedValue(-5.0);  // below the low limit switched off by 29999: still inside
    Ask(m, "@01WL018000084000005", 180.0);
    EXPECT_EQ(Ask(m, "@01RF", 186.0), "!010010");  // 185, below the low limit 0.8
    EXPECT_EQ(m.Log().Queue().back().substr(2, 2), "44");
}

TEST(SimLogger, RecordToggleRepeatsOrAdvances) {
    Module m = FixedModule();
    for (const char* r : {"5D040500000C0670", "5D040501010C0670", "5D040502020C0670"})
        m.Log().PushRecord(r);
    EXPECT_EQ(Ask(m, "@01RQ0", 0), "!015D040500000C0670");
    EXPECT_EQ(Ask(m, "@01RQ0", 0), "!015D040500000C0670");  // same toggle: same record
    EXPECT_EQ(Ask(m, "@01RF", 0), "!010003");               // not yet acknowledged
    EXPECT_EQ(Ask(m, "@01RQ1", 0), "!015D040501010C0670");
    EXPECT_EQ(Ask(m, "@01RQ0", 0), "!015D040502020C0670");
    EXPECT_EQ(Ask(m, "@01RQ1", 0), "?01");
    EXPECT_EQ(Ask(m, "@01RF", 0), "!010000");
    // A new reading starts with toggle 0 and gets the first record, not a lost one.
    m.Log().PushRecord("5D040503030C0670");
    EXPECT_EQ(Ask(m, "@01RQ0", 0), "!015D040503030C0670");
    EXPECT_EQ(Ask(m, "@01RQ1", 0), "?01");
}

TEST(SimLogger, FullQueueKeepsOldestOrNewestByTheRewriteByte) {
    for (int rewrite : {0x00, 0x80}) {
        Module m = FixedModule();
        m.Log().SetCapacity(3);
        Ask(m, rewrite ? "@01WE8000" : "@01WE0000", 0);
        for (const char* r : {"A", "B", "C", "D", "E"})
            m.Log().PushRecord(r);
        const auto& q = m.Log().Queue();
        ASSERT_EQ(q.size(), 3u);
        EXPECT_EQ(q.front() + q[1] + q.back(), rewrite ? "CDE" : "ABC");
    }
}

TEST(SimLogger, LongGapsAreBoundedByTheQueue) {
    for (int rewrite : {0x00, 0x80}) {
        Module m = FixedModule();
        m.Log().SetCapacity(100);
        Ask(m, "@01WT000000010126", 0);
        Ask(m, "@01WD05D000000000001", 0);
        Ask(m, rewrite ? "@01WE8001" : "@01WE0001", 0);
        EXPECT_EQ(Ask(m, "@01RF", 1e7), "!010064");  // 115 days later, at once
        const auto& q = m.Log().Queue();
        // Without rewriting the first 100 seconds stay; with it the last 100.
        const CivilTime first = rewrite ? CivilOf(ClockSeconds({2026, 1, 1, 0, 0, 0}) + 1e7 - 99)
                                        : CivilTime{2026, 1, 1, 0, 0, 0};
        EXPECT_EQ(q.front(), RecordPayload(0x5D, 0x04, 500, first)) << rewrite;
    }
}

TEST(SimLogger, PayloadAndReadingEncodings) {
    // Time bytes: month split over T1 and T4, minute over T2 and T3.
    EXPECT_EQ(RecordPayload(0x5D, 0x46, 500, {2026, 12, 6, 14, 5, 9}), "5D46050009AE06DC");
    EXPECT_EQ(RecordPayload(0x00, 0x0F, 1234, {1998, 13, 31, 23, 59, 59}), "000F12347B77FFC0");
    const struct {
        const char* reading;
        int status, digits;
    } readings[] = {{"+01.93", 0x09, 193}, {"0.2500", 0x0F, 2500}, {"-09999", 0x02, 9999},
                    {"000013", 0x00, 13},  {"0050.0", 0x04, 500},  {"-2.300", 0x0E, 2300}};
    for (const auto& r : readings) {
        int status = -1, digits = -1;
        ASSERT_TRUE(EncodeReading(r.reading, &status, &digits)) << r.reading;
        EXPECT_EQ(status, r.status) << r.reading;
        EXPECT_EQ(digits, r.digits) << r.reading;
    }
    int status, digits;
    for (const char* bad : {"", "+", "12a", "1.2.3", "123456"})
        EXPECT_FALSE(EncodeReading(bad, &status, &digits)) << bad;
    // The limit fields of the schedule transfer.
    const struct {
        const char* field;
        double value;
    } limits[] = {{"19999", 9999}, {"29999", -9999}, {"82500", 25},
                  {"E1500", -1.5}, {"D0500", 0.5},   {"D0000", 0}};
    for (const auto& l : limits)
        EXPECT_DOUBLE_EQ(LimitValue(l.field).value_or(1e10), l.value) << l.field;
    for (const char* bad : {"G0000", "1234", "1234x", "X9999"})
        EXPECT_FALSE(LimitValue(bad).has_value()) << bad;
}

}  // namespace
}  // namespace qx::sim
