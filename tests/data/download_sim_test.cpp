// The queue download over a real link against the simulated module's record queue: the toggle,
// the retries of the link and of the download, and the file that a lost reply leaves behind.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "data/core/data_reader.h"
#include "data/core/queue_download.h"
#include "link/core/comm_port.h"
#include "link/core/pause_lease.h"
#include "sim/logger.h"
#include "sim/simulator.h"
#include "tests/support/fake_progress.h"
#include "tests/support/temp_dir.h"

namespace qx {
namespace {

using sim::CivilTime;
using sim::RecordPayload;
using test::FakeProgress;
using test::TempDir;

constexpr int kAddress = 1;

class DownloadSim : public ::testing::Test {
  protected:
    void SetUp() override {
        sim::ModuleSettings module;
        module.address = kAddress;
        module.checksum = true;
        sim_.AddModule(module);
        ASSERT_TRUE(sim_.Start());
        // A generous gap keeps a simulator slowed down by a loaded machine from looking silent.
        port_.SetReplyGapMs(600);
        port_.SetPortPaths({sim_.SlavePath(), "", "", ""});
        ASSERT_EQ(port_.Open(0, 6, true, nullptr), kOk);
    }

    // An exchange whose three attempts are all lost waits short gaps: nothing comes anyway. One
    // that is to be answered, at once or on a later attempt, gets a long gap, so that a simulator
    // slowed down by a loaded machine is never taken for a silent one.
    void LostAttemptsGap(int drops) { port_.SetReplyGapMs(drops >= 3 ? 100 : 500); }

    void Push(const std::vector<std::string>& payloads) {
        for (const std::string& p : payloads)
            ASSERT_TRUE(sim_.PushRecord(kAddress, p));
    }

    // Runs the download with the poller parked, as the Table page does. `beforeRequest` sees
    // every request text first (and may arrange faults for it).
    void Download(const std::function<void(const std::string&)>& beforeRequest = {},
                  int startToggle = 0) {
        DataFileWriter file;
        path_ = dir_.File("queue.PRN");
        ASSERT_TRUE(file.Create(path_));
        const Exchange exchange = [&](const char* request, char* reply) {
            if (beforeRequest) beforeRequest(request);
            requests_.push_back(request);
            return port_.Send(request, reply);
        };
        PauseLease pause(port_);
        result_ = DownloadQueue(exchange, kAddress, file, progress_, startToggle);
        content_ = TempDir::Read(path_);
    }

    // The record requests that reached the module, in order, each attempt of the link counted.
    std::vector<std::string> WireRecordRequests() const {
        std::vector<std::string> out;
        for (const auto& f : sim_.Record().Frames()) {
            if (!f.fromModule && f.bytes.rfind("@01RQ", 0) == 0)
                out.push_back(f.bytes.substr(0, 6));
        }
        return out;
    }

    sim::Simulator sim_;
    TCommPort port_{PortPaths{}};
    TempDir dir_;
    FakeProgress progress_;
    std::string path_;
    std::vector<std::string> requests_;
    DownloadResult result_;
    std::string content_;
};

TEST_F(DownloadSim, QueueContentsBecomeDataLines) {
    const CivilTime noon{2026, 12, 7, 12, 0, 0};
    const CivilTime month13{2026, 13, 7, 12, 0, 0};
    struct Case {
        const char* what;
        std::vector<std::string> payloads;
        std::string lines;
        int requests;  // request cycles, the closing "?" included
        std::vector<std::string> wire;
    };
    const std::vector<Case> cases = {
        {"empty queue", {}, "", 1, {"@01RQ0"}},
        {"three records within one second",
         {RecordPayload(0x10, 0x08, 1200, noon), RecordPayload(0x10, 0x08, 1300, noon),
          RecordPayload(0x10, 0x08, 1400, noon)},
         "0x01\t0x10\t12,00\t0\t07.12.2026\t12:00:00 0\r\n"
         "0x01\t0x10\t13,00\t0\t07.12.2026\t12:00:00 5\r\n",
         4,
         {"@01RQ0", "@01RQ1", "@01RQ0", "@01RQ1"}},
        {"a month 13 is asked three times, then skipped",
         {RecordPayload(0x10, 0x00, 1, month13), RecordPayload(0x10, 0x00, 2, noon)},
         "0x01\t0x10\t2,000\t0\t07.12.2026\t12:00:00 0\r\n",
         3,
         {"@01RQ0", "@01RQ0", "@01RQ0", "@01RQ1", "@01RQ0"}},
        {"status bytes: scale, sign and limit state",
         {RecordPayload(0x70, 0x0F, 1234, {2026, 12, 7, 12, 0, 1}),
          RecordPayload(0x10, 0x46, 500, {2026, 12, 7, 12, 0, 2}),
          RecordPayload(0x20, 0x81, 7, {2026, 12, 7, 12, 0, 3}),
          RecordPayload(0x5D, 0xC0, 9, {2027, 1, 31, 23, 59, 59})},
         "0x01\t0x70\t0,123\t0\t07.12.2026\t12:00:01 0\r\n"
         "0x01\t0x10\t-50,00\t2\t07.12.2026\t12:00:02 0\r\n"
         "0x01\t0x20\t+7,000\t1\t07.12.2026\t12:00:03 0\r\n"
         "0x01\t0x5D\t9,000\t0\t31.01.2027\t23:59:59 0\r\n",
         5,
         {"@01RQ0", "@01RQ1", "@01RQ0", "@01RQ1", "@01RQ0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim_.Record().Clear();
        requests_.clear();
        progress_ = FakeProgress{};
        Push(c.payloads);
        Download();
        EXPECT_EQ(result_.result, kOk);
        EXPECT_EQ(content_, c.lines);
        EXPECT_EQ(result_.requests, c.requests);
        EXPECT_EQ(result_.fillCount, static_cast<int>(c.payloads.size()));
        EXPECT_EQ(WireRecordRequests(), c.wire);
        ASSERT_FALSE(progress_.steps_.empty());
        EXPECT_EQ(progress_.steps_.back().text,
                  "Celkem " + std::to_string(c.requests) + "  záznamů ");
        sim_.UpdateModule(kAddress, [](sim::Module& m) { m.Log().ClearQueue(); });
    }
}

TEST_F(DownloadSim, FullSizeQueueIsReadInOrderWithCoarseProgress) {
    std::vector<std::string> payloads;
    std::string expected;
    for (int i = 0; i < 0x100; ++i) {
        const CivilTime t{2026, 12, 7, 12 + i / 3600, (i / 60) % 60, i % 60};
        payloads.push_back(RecordPayload(0x30, 0x04, 125 + i % 2, t));
        char line[80];
        std::snprintf(line, sizeof line, "0x01\t0x30\t%s\t0\t07.12.2026\t%02d:%02d:%02d 0\r\n",
                      i % 2 ? "12,60" : "12,50", t.hour, t.minute, t.second);
        expected += line;
    }
    Push(payloads);
    Download();
    EXPECT_EQ(result_.result, kOk);
    EXPECT_EQ(result_.fillCount, 256);
    EXPECT_EQ(progress_.maximum_, 256);
    EXPECT_EQ(content_, expected);
    EXPECT_EQ(result_.requests, 257);
    std::vector<std::string> progressTexts;
    for (const auto& l : progress_.steps_)
        progressTexts.push_back(l.text);
    EXPECT_EQ(progressTexts,
              (std::vector<std::string>{"50 záznamů", "100 záznamů", "150 záznamů", "200 záznamů",
                                        "250 záznamů", "Celkem 257  záznamů "}));
    // Every record was asked for once: no retries, no repeats.
    EXPECT_EQ(WireRecordRequests().size(), 257u);
}

// A reply the link's own retry recovers costs nothing; three in a row end the download, and the
// file then holds exactly the records that came, which the reader loads back.
TEST_F(DownloadSim, LostRepliesLeaveAFileOfTheRecordsThatCame) {
    std::vector<std::string> payloads;
    for (int i = 0; i < 6; ++i)
        payloads.push_back(RecordPayload(0x10, 0x05, 100 + i, {2026, 12, 7, 8, 30, i}));
    struct Case {
        const char* what;
        int dropAtRecordRequest;  // 1-based
        int drops;
        int result;
        int lines;
        std::size_t attempts;  // record requests on the wire, the link's repeats included
    };
    const Case cases[] = {
        {"one reply lost on a fresh toggle", 3, 1, kOk, 6, 8},
        {"one reply lost on the closing request", 7, 1, kOk, 6, 8},
        {"the link gives up on the fourth record", 4, 3, kTimeoutError, 3, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim_.UpdateModule(kAddress, [](sim::Module& m) { m.Log().ClearQueue(); });
        Push(payloads);
        sim_.Record().Clear();
        requests_.clear();
        int recordRequests = 0;
        Download([&](const std::string& request) {
            const bool drop =
                request.rfind("@01RQ", 0) == 0 && ++recordRequests == c.dropAtRecordRequest;
            LostAttemptsGap(drop ? c.drops : 0);
            if (drop) sim_.DropReplies(c.drops);
        });
        EXPECT_EQ(result_.result, c.result);
        EXPECT_EQ(result_.written, c.lines);
        EXPECT_EQ(WireRecordRequests().size(), c.attempts);

        std::string expected;
        for (int i = 0; i < c.lines; ++i) {
            char line[80];
            std::snprintf(line, sizeof line, "0x01\t0x10\t+10,%d0\t0\t07.12.2026\t08:30:%02d 0\r\n",
                          i, i);
            expected += line;
        }
        EXPECT_EQ(content_, expected);
        RecordList list;
        list.fileName = path_;
        FakeProgress readProgress;
        const ReadOutcome read = ReadDataFile(list, readProgress);
        ASSERT_TRUE(read.opened);
        EXPECT_EQ(read.outOfSequence, 0);
        ASSERT_EQ(list.Count(), c.lines);
        for (int i = 0; i < c.lines; ++i) {
            EXPECT_DOUBLE_EQ(list.records[i].value, (100 + i) * 0.1) << i;
            EXPECT_EQ(list.records[i].limit, 0);
            EXPECT_EQ(list.records[i].config, 0x10);
            EXPECT_DOUBLE_EQ(list.records[i].stamp - list.records[0].stamp, i) << i;
        }
    }
}

// The module moves on to its next record when the toggle changes, whether or not the reply with
// the record before reached us. A download that failed must therefore leave the toggle where it
// was, so that the next download asks for the unread record again instead of dropping it.
TEST_F(DownloadSim, TheNextDownloadAsksAgainForTheRecordWhoseReplyWasLost) {
    std::vector<std::string> payloads;
    std::vector<std::string> lines;
    for (int i = 0; i < 6; ++i) {
        payloads.push_back(RecordPayload(0x20, 0x00, 200 + i, {2026, 12, 8, 6, 0, i}));
        char line[80];
        std::snprintf(line, sizeof line, "0x01\t0x20\t%d,0\t0\t08.12.2026\t06:00:%02d 0\r\n",
                      200 + i, i);
        lines.push_back(line);
    }
    for (const int lostAt : {3, 4}) {  // a record request with toggle 0, then one with toggle 1
        SCOPED_TRACE(lostAt);
        sim_.UpdateModule(kAddress, [](sim::Module& m) { m.Log().ClearQueue(); });
        Push(payloads);
        int recordRequests = 0;
        Download([&](const std::string& request) {
            const bool drop = request.rfind("@01RQ", 0) == 0 && ++recordRequests == lostAt;
            LostAttemptsGap(drop ? 3 : 0);
            if (drop) sim_.DropReplies(3);
        });
        ASSERT_EQ(result_.result, kTimeoutError);
        EXPECT_EQ(result_.nextToggle, (lostAt - 1) % 2);
        EXPECT_EQ(result_.written, lostAt - 1);

        Download({}, result_.nextToggle);
        EXPECT_EQ(result_.result, kOk);
        std::string rest;
        for (std::size_t i = static_cast<std::size_t>(lostAt - 1); i < lines.size(); ++i)
            rest += lines[i];
        EXPECT_EQ(content_, rest);
    }
}

}  // namespace
}  // namespace qx
