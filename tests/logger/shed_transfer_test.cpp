#include "logger/core/shed_transfer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "logger/core/shed_log.h"
#include "tests/support/fake_progress.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

// A module that keeps what the write commands give it and answers the read-backs from that,
// with a record queue. It remembers whether the poller was parked at each request.
struct FakeModule : PollerPause {
    int addr = 1;
    bool refuseAll = false;
    int failAt = -1;  // 0-based number of the request that times out
    int queue = 0;
    std::string clockReply;  // RT reply; empty: echo what WT set
    std::map<std::string, std::string> store;
    std::vector<std::string> requests;
    bool paused = false;
    bool sentWhileRunning = false;
    int pauses = 0;
    int resumes = 0;

    void RequestPause() override {
        paused = true;
        ++pauses;
    }
    void ReleasePause() override {
        paused = false;
        ++resumes;
    }
    int Exchange(const char* request, char* reply) {
        const std::string req = request;
        requests.push_back(req);
        if (!paused) sentWhileRunning = true;
        if (failAt >= 0 && static_cast<int>(requests.size()) - 1 == failAt) return -1;
        char head[8];
        std::snprintf(head, sizeof head, "%02X", addr);
        std::string answer = Answer(req, head);
        answer += '\r';
        std::strncpy(reply, answer.c_str(), 31);
        return 0;
    }

    std::string Answer(const std::string& req, const std::string& aa) {
        if (req == "$" + aa + "N") return "!" + aa + "00000042";
        if (req.size() < 5 || req[0] != '@' || req.substr(1, 2) != aa) return "?" + aa;
        const std::string cmd = req.substr(3, 2);
        const std::string rest = req.substr(5);
        if (refuseAll && cmd[0] == 'W') return "?" + aa;
        if (cmd == "WT" || cmd == "WE") store[cmd] = rest;
        if (cmd == "WD" || cmd == "WL") store[cmd + rest.substr(0, 1)] = rest.substr(1);
        if (cmd[0] == 'W') return "!" + aa;
        if (cmd == "RT") return clockReply.empty() ? "!" + aa + store["WT"] : clockReply;
        if (cmd == "RE") return store.count("WE") ? "!" + aa + store["WE"] : "?" + aa;
        if (cmd == "RD" || cmd == "RL") {
            const std::string key = std::string("W") + cmd[1] + rest;
            return store.count(key) ? "!" + aa + store[key] : "?" + aa;
        }
        if (cmd == "RF") {
            char fill[8];
            std::snprintf(fill, sizeof fill, "%02X%02X", queue / 256, queue % 256);
            return "!" + aa + fill;
        }
        if (cmd == "RQ" && queue > 0) {
            --queue;
            return "!" + aa + "200500012345+0012.5";
        }
        return "?" + aa;
    }
};

struct Report {
    int calls = 0;
    TransactionResult result;
    std::string caption;
};

class ShedTransferTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("shedxfer_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    TShedTransfer Make() {
        BusServices bus;
        bus.exchange = [this](const char* q, char* r) { return module_.Exchange(q, r); };
        bus.poller = &module_;
        bus.progress = &progress_;
        bus.clock = [this] { return now_; };
        bus.encode = [](int q, int r, int i) { return q * 16 + 4 * r + 2 * i; };
        bus.report = [this](const TransactionResult& res, const char* caption) {
            ++report_.calls;
            report_.result = res;
            report_.caption = caption;
        };
        return TShedTransfer(bus);
    }
    std::string Log() {
        std::ifstream in(dir_ / kShedLogName, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void ExpectReleased() {
        EXPECT_FALSE(module_.sentWhileRunning);
        EXPECT_EQ(module_.pauses, 1);
        EXPECT_EQ(module_.resumes, 1);
    }

    fs::path dir_;
    FakeModule module_;
    test::FakeProgress progress_;
    LocalTime now_{2026, 12, 6, 14, 5, 9};
    Report report_;
    Schedule schedule_ = Schedule::Defaults();
};

TEST_F(ShedTransferTest, SendLogsEveryRequestAndShowsItsSteps) {
    EXPECT_TRUE(Make().Send(1, schedule_, dir_).Ok());
    const std::string log = Log();
    EXPECT_EQ(log.substr(0, 74),
              "@01WT140509061226\r\n@01WE0000\r\n@01WD000000000000100\r\n@01WL029999199990010\r\n");
    // 2 + 8 x 2 + 1 requests, then the empty line.
    EXPECT_EQ(module_.requests.size(), 19u);
    EXPECT_EQ(log.size() - log.rfind("@01WE0000\r\n\r\n"), 13u);
    EXPECT_EQ(progress_.title_, "Zápis rozvrhu do QX");
    EXPECT_EQ(progress_.lines_.front(), "Zápis času a data do QX");
    EXPECT_EQ(progress_.lines_[8], "Index  8  do QX");
    EXPECT_EQ(progress_.lines_[9], "Povolení indexu do QX");
    EXPECT_EQ(progress_.lines_.back(), "KONEC");
    EXPECT_TRUE(progress_.finishes_ == 1 && progress_.keptOpen_);
    EXPECT_EQ(report_.calls, 0);
    ExpectReleased();
}

TEST_F(ShedTransferTest, SendThenCheckAgreesAndEveryDifferenceIsMarked) {
    schedule_.allOff = false;
    schedule_.rewrite = true;
    schedule_.entries[0].active = true;
    schedule_.entries[2].active = true;
    schedule_.entries[4] = {false, 7, 3, 0, "", "", "", "", "", ""};
    ASSERT_TRUE(Make().Send(1, schedule_, dir_).Ok());
    EXPECT_EQ(module_.requests.back(), "@01WE8005");
    EXPECT_EQ(module_.store["WD4"], "7C000000000000");  // empty texts: every number 00
    EXPECT_EQ(module_.store["WL4"], "D0000D00000000");

    const auto store = module_.store;
    module_ = FakeModule{};
    module_.store = store;
    EXPECT_TRUE(Make().Check(1, schedule_).Ok());
    EXPECT_EQ(progress_.title_, "Kontrola rozvrhu měření v QX");
    for (const std::string& line : progress_.lines_) {
        EXPECT_EQ(line.find("CHYBA"), std::string::npos) << line;
    }
    EXPECT_EQ(progress_.lines_[1], "Kotrola indexu  1  v QX");
    EXPECT_EQ(progress_.lines_[9], "Kontrola povolení indexů v QX");
    EXPECT_EQ(progress_.lines_.back(), "KONEC");
    ExpectReleased();

    // The table changed after the send: index 2's interval and the all-off flag.
    schedule_.entries[1].interval = "2:00";
    schedule_.entries[6].low = "-10";
    schedule_.allOff = true;
    module_.pauses = module_.resumes = 0;
    TShedTransfer check = Make();
    EXPECT_TRUE(check.Check(1, schedule_).Ok());
    // The same verdicts as results: clock, eight indices, enables.
    std::vector<int> differing;
    for (const CheckVerdict& v : check.CheckVerdicts()) {
        if (v.differs) differing.push_back(v.item);
    }
    EXPECT_EQ(check.CheckVerdicts().size(), 10u);
    EXPECT_EQ(differing, (std::vector<int>{2, 7, 9}));
    // How they differ: the file's value beside the module's, field by field.
    const auto& v = check.CheckVerdicts();
    EXPECT_EQ(v[2].fields, (std::vector<CheckField>{{"interval", "2:00", "1:00"}}));
    EXPECT_EQ(v[7].fields, (std::vector<CheckField>{{"low limit", "-10.00", "-9999"}}));
    EXPECT_EQ(v[9].fields,
              (std::vector<CheckField>{{"index 1", "off", "on"}, {"index 3", "off", "on"}}));
    EXPECT_EQ(v[0].fields,
              (std::vector<CheckField>{{"clock", "2026-12-06 14:05:09", "2026-12-06 14:05:09"}}));
    EXPECT_EQ(v[0].offsetS, 0);
    std::vector<std::string> marked;
    for (const std::string& line : progress_.lines_) {
        if (line.find("  -->  CHYBA !") != std::string::npos) marked.push_back(line);
    }
    EXPECT_EQ(marked, (std::vector<std::string>{"Kotrola indexu  2  v QX  -->  CHYBA !",
                                                "Kotrola indexu  7  v QX  -->  CHYBA !",
                                                "Kontrola povolení indexů v QX  -->  CHYBA !"}));
}

TEST_F(ShedTransferTest, ClockToleranceAndMidnight) {
    struct Case {
        LocalTime pc;
        const char* reply;
        bool marked;
        std::optional<long long> offsetS;
        const char* shown;  // the module's clock as the check reports it
    } cases[] = {
        {{2026, 12, 6, 14, 5, 9}, "!01140501061226", false, -8, "2026-12-06 14:05:01"},
        {{2026, 12, 6, 14, 5, 9}, "!01140458061226", true, -11, "2026-12-06 14:04:58"},
        {{2026, 12, 6, 14, 5, 9}, "!01140519061226", false, 10, "2026-12-06 14:05:19"},
        // right time, wrong day
        {{2026, 12, 6, 14, 5, 9}, "!01140509071226", true, 86400, "2026-12-07 14:05:09"},
        // 5 s behind across midnight, and across the new year
        {{2026, 12, 7, 0, 0, 3}, "!01235958061226", false, -5, "2026-12-06 23:59:58"},
        {{2027, 1, 1, 0, 0, 1}, "!01235959311226", false, -2, "2026-12-31 23:59:59"},
        {{2026, 12, 6, 0, 0, 2}, "!01235958061226", true, 86396, "2026-12-06 23:59:58"},
        {{2026, 12, 6, 14, 5, 9}, "?01", true, std::nullopt, "?01"},
        {{2026, 12, 6, 14, 5, 9}, "!0114050906122", true, std::nullopt, "!0114050906122"},
        {{2026, 12, 6, 14, 5, 9}, "!01250509061226", true, std::nullopt, "!01250509061226"},
    };
    for (const Case& c : cases) {
        module_ = FakeModule{};
        module_.clockReply = c.reply;
        now_ = c.pc;
        TShedTransfer check = Make();
        ASSERT_TRUE(check.Check(1, schedule_).Ok());
        const bool marked =
            progress_.lines_[0] == "Kontrola času a data v QX  -->  CHYBA > 10 sekund !";
        EXPECT_EQ(marked, c.marked) << c.reply;
        const CheckVerdict& clock = check.CheckVerdicts().front();
        EXPECT_EQ(clock.offsetS, c.offsetS) << c.reply;
        ASSERT_EQ(clock.fields.size(), 1u);
        EXPECT_EQ(clock.fields[0].module, c.shown);
    }
}

TEST_F(ShedTransferTest, ModuleRefusingEveryWrite) {
    module_.refuseAll = true;
    // Without a log file (its folder is gone) the send still runs.
    EXPECT_TRUE(Make().Send(1, schedule_, dir_ / "missing").Ok());
    EXPECT_EQ(module_.requests.size(), 19u);
    EXPECT_EQ(progress_.lines_.back(), "KONEC");
    EXPECT_EQ(report_.calls, 0);
    EXPECT_TRUE(Make().Check(1, schedule_).Ok());
    int marks = 0;
    for (const std::string& line : progress_.lines_)
        marks += line.find("CHYBA") != std::string::npos;
    EXPECT_EQ(marks, 10);  // clock, eight indices, enables
    // A refusal has no fields to compare: the replies themselves are the difference.
    TShedTransfer check = Make();
    check.Check(1, schedule_);
    EXPECT_EQ(check.CheckVerdicts()[1].fields,
              (std::vector<CheckField>{{"reply", "!0100000000000100", "?01"},
                                       {"reply", "!0129999199990010", "?01"}}));
    EXPECT_EQ(check.CheckVerdicts()[9].fields,
              (std::vector<CheckField>{{"reply", "!010000", "?01"}}));
}

TEST_F(ShedTransferTest, FailedRequestEndsTheSendWithTheLogUpToIt) {
    module_.failAt = 4;  // the second index's WD
    const TransactionResult res = Make().Send(0x0C, schedule_, dir_);
    EXPECT_EQ(res.code, -1);
    EXPECT_EQ(module_.requests.size(), 5u);
    const std::string log = Log();
    EXPECT_EQ(log.substr(log.size() - 24), "@0CWD100000000000100\r\n\r\n");
    EXPECT_EQ(report_.calls, 1);
    EXPECT_EQ(report_.caption, "TMForm::MShedSendClick()");
    EXPECT_EQ(progress_.lines_.back(), "Index  2  do QX");
    EXPECT_EQ(progress_.finishes_, 1);
    ExpectReleased();
}

TEST_F(ShedTransferTest, InvalidScheduleIsRefusedBeforeAnythingIsSent) {
    schedule_.entries[3].time = "7:300";
    for (bool send : {true, false}) {
        report_ = {};
        const TransactionResult res =
            send ? Make().Send(1, schedule_, dir_) : Make().Check(1, schedule_);
        EXPECT_FALSE(res.Ok());
        EXPECT_NE(res.refusal.find("Index  4: čas zahájení"), std::string::npos);
        EXPECT_EQ(report_.calls, 1);
        EXPECT_EQ(report_.caption, send ? "TMForm::MShedSendClick()" : "TMForm::MShedCheckClick()");
    }
    EXPECT_TRUE(module_.requests.empty());
    EXPECT_EQ(module_.pauses, 0);
    EXPECT_EQ(progress_.opens_, 0);
    EXPECT_FALSE(fs::exists(dir_ / kShedLogName));
}

TEST_F(ShedTransferTest, ClearReadsToTheEndWithProgressEveryTenOrFifty) {
    struct Case {
        int records;
        int step;
    } cases[] = {{0, 10}, {150, 10}, {250, 50}, {200, 10}};
    for (const Case& c : cases) {
        module_ = FakeModule{};
        module_.queue = c.records;
        progress_ = {};
        TShedTransfer t = Make();
        EXPECT_TRUE(t.Clear(1).Ok());
        EXPECT_EQ(t.ClearedCount(), c.records);
        EXPECT_EQ(progress_.title_, "Nulování fronty v QX");
        EXPECT_EQ(progress_.maximum_, c.records);
        std::vector<std::string> expected;
        for (int n = c.step; n <= c.records; n += c.step) {
            expected.push_back("Nulováno  " + std::to_string(n) + "  záznamů");
        }
        expected.push_back("Celkem  " + std::to_string(c.records) + "  záznamů nulováno");
        EXPECT_EQ(progress_.lines_, expected);
        EXPECT_EQ(progress_.position_, c.records);
        ASSERT_EQ(module_.requests.size(), static_cast<std::size_t>(c.records) + 3);
        EXPECT_EQ(module_.requests[0], "$01N");
        EXPECT_EQ(module_.requests[1], "@01RF");
        EXPECT_EQ(module_.requests[2], "@01RQ0");
        if (c.records > 0) {
            EXPECT_EQ(module_.requests[3], "@01RQ1");
        }
        ExpectReleased();
    }
}

TEST_F(ShedTransferTest, ClearStopsWhenTheUserCancels) {
    module_.queue = 1000;
    progress_.cancelAtDelivery_ = 3;  // closed while the third step ran
    TShedTransfer t = Make();
    EXPECT_TRUE(t.Clear(1).Ok());
    EXPECT_EQ(t.ClearedCount(), 150);
    EXPECT_EQ(module_.queue, 850);
    EXPECT_EQ(progress_.lines_.back(), "Celkem  150  záznamů nulováno");
    ExpectReleased();
}

TEST_F(ShedTransferTest, ClearWhoseFillCountFailsNeverOpensTheDialog) {
    module_.failAt = 1;
    TShedTransfer t = Make();
    EXPECT_EQ(t.Clear(1).code, -1);
    EXPECT_EQ(progress_.opens_, 0);
    EXPECT_EQ(progress_.lines_, (std::vector<std::string>{"Celkem  0  záznamů nulováno"}));
    EXPECT_EQ(report_.caption, "TMForm::MShedClearClick()");
    ExpectReleased();
}

}  // namespace
}  // namespace qx
