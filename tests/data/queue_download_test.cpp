#include "data/core/queue_download.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "data/core/queue_record.h"
#include "link/core/link_result.h"
#include "link/core/protocol.h"
#include "tests/support/fake_progress.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

namespace qx {
namespace {

using test::FakeProgress;
using test::TempDir;

// The fields of one queue record as the module sends them after "!AA".
std::string Rec(int config, int status, int digits, int year, int month, int day, int hour,
                int minute, int second) {
    char text[40];
    std::snprintf(text, sizeof text, "%02X%02X%04d%02X%02X%02X%02X", config, status, digits,
                  ((month & 3) << 6) | second, ((minute & 7) << 5) | hour,
                  ((minute >> 3) << 5) | day, ((month >> 2) << 6) | (year - 1998));
    return text;
}

// A module's queue behind the toggle protocol: a request with the toggle of the one before gets
// the same record again, the other toggle the next record; "?" after the last.
struct ScriptedModule {
    std::vector<std::string> records;
    int fill = -1;    // reported fill count; -1: the number of records
    int failAt = -1;  // 1-based request number that times out
    std::vector<std::string> requests;
    std::size_t index = 0;
    int lastToggle = -1;

    int operator()(const char* request, char* reply) {
        std::string text;
        const int code = Answer(request, text);
        std::strncpy(reply, text.c_str(), kBufferSize - 1);
        return code;
    }
    int Answer(const std::string& request, std::string& reply) {
        requests.push_back(request);
        if (static_cast<int>(requests.size()) == failAt) return kTimeoutError;
        char text[40];
        if (request == "$01M") {
            reply = "!011525 520\r";
        } else if (request == "$01N") {
            reply = "!01  4711\r";
        } else if (request == "@01RF") {
            const int n = fill >= 0 ? fill : static_cast<int>(records.size());
            std::snprintf(text, sizeof text, "!01%02x%02X\r", n >> 8, n & 0xFF);
            reply = text;
        } else {
            const int toggle = request.back() - '0';
            if (lastToggle >= 0 && toggle != lastToggle) ++index;
            lastToggle = toggle;
            reply = index < records.size() ? "!01" + records[index] + "\r" : "?01\r";
        }
        return 0;
    }
};

struct DownloadRun {
    TempDir dir;
    FakeProgress progress;
    DownloadResult result;
    std::string content;

    void Download(ScriptedModule& module, const std::string& target = "") {
        DataFileWriter file;
        const std::string path = target.empty() ? dir.File("q.PRN") : target;
        ASSERT_TRUE(file.Create(path));
        result = DownloadQueue(std::ref(module), 1, file, progress);
        if (target.empty()) content = TempDir::Read(path);
    }
};

// The decoders' cases are golden vectors: tests/golden/queue_record.txt and queue_fill_count.txt.
// The minute and the month are split over two bytes each.
TEST(QueueRecord, MinuteAndMonthComeTogetherFromTheirBytes) {
    const QueueRecord r = DecodeQueueRecord("!01" + Rec(0x5d, 0, 0, 2027, 12, 31, 23, 59, 59));
    EXPECT_EQ(r.minute, 59);
    EXPECT_EQ(r.month, 12);
}

TEST(QueueDownload, EmptyQueueWritesNothingAndCountsTheClosingAnswer) {
    ScriptedModule module;
    DownloadRun run;
    run.Download(module);
    EXPECT_EQ(module.requests, (std::vector<std::string>{"$01M", "$01N", "@01RF", "@01RQ0"}));
    EXPECT_EQ(run.result.requests, 1);
    EXPECT_EQ(run.content, "");
    EXPECT_EQ(run.progress.title_, "Čtení záznamů z QX");
    ASSERT_EQ(run.progress.steps_.size(), 1u);
    EXPECT_EQ(run.progress.steps_[0].text, "Celkem 1  záznamů ");
    EXPECT_EQ(run.progress.finishes_, 1);
    EXPECT_TRUE(run.progress.keptOpen_);
}

TEST(QueueDownload, WritesValueTextsLimitsAndHalfSecondDuplicates) {
    ScriptedModule module;
    module.records = {Rec(0x10, 0x0F, 1234, 2026, 12, 7, 12, 0, 0),
                      Rec(0x10, 0x46, 500, 2026, 12, 7, 12, 0, 0),
                      Rec(0x10, 0x81, 7, 2026, 12, 7, 12, 0, 0),   // third of that second
                      Rec(0x20, 0x81, 7, 2026, 12, 7, 12, 0, 0),   // another quantity
                      Rec(0x10, 0x02, 12, 2026, 12, 7, 12, 0, 1),  // a new second
                      Rec(0x10, 0x02, 13, 2026, 12, 7, 12, 0, 1)};
    DownloadRun run;
    run.Download(module);
    EXPECT_EQ(run.content,
              "0x01\t0x10\t0,123\t0\t07.12.2026\t12:00:00 0\r\n"
              "0x01\t0x10\t-50,00\t2\t07.12.2026\t12:00:00 5\r\n"
              "0x01\t0x20\t+7,000\t1\t07.12.2026\t12:00:00 0\r\n"
              "0x01\t0x10\t-12,00\t0\t07.12.2026\t12:00:01 0\r\n"
              "0x01\t0x10\t-13,00\t0\t07.12.2026\t12:00:01 5\r\n");
    EXPECT_EQ(run.result.requests, 7);
    EXPECT_EQ(run.result.written, 5);
}

TEST(QueueDownload, AnInvalidStampIsAskedThreeTimesThenSkipped) {
    ScriptedModule module;
    module.records = {Rec(0x10, 0, 1, 2026, 13, 7, 12, 0, 0),
                      Rec(0x10, 0, 2, 2026, 12, 7, 12, 0, 0)};
    DownloadRun run;
    run.Download(module);
    EXPECT_EQ(module.requests, (std::vector<std::string>{"$01M", "$01N", "@01RF", "@01RQ0",
                                                         "@01RQ0", "@01RQ0", "@01RQ1", "@01RQ0"}));
    EXPECT_EQ(run.content, "0x01\t0x10\t2,000\t0\t07.12.2026\t12:00:00 0\r\n");
    EXPECT_EQ(run.result.requests, 3);
}

TEST(QueueDownload, LargeQueuesReportEveryFiftyRequests) {
    ScriptedModule module;
    for (int i = 0; i < 256; ++i)
        module.records.push_back(Rec(0x10, 0, i, 2026, 12, 7, 12, i / 60, i % 60));
    DownloadRun run;
    run.Download(module);
    EXPECT_EQ(run.progress.maximum_, 256);
    ASSERT_EQ(run.progress.steps_.size(), 6u);  // 50 .. 250 and the closing line
    EXPECT_EQ(run.progress.steps_[0].text, "50 záznamů");
    EXPECT_EQ(run.progress.steps_[0].position, 50);
    EXPECT_EQ(run.progress.steps_.back().text, "Celkem 257  záznamů ");
    EXPECT_EQ(run.result.written, 256);
}

TEST(QueueDownload, AFailedExchangeKeepsTheLinesWritten) {
    ScriptedModule module;
    for (int i = 0; i < 5; ++i)
        module.records.push_back(Rec(0x10, 0, i, 2026, 12, 7, 12, 0, i));
    module.failAt = 3 + 4;  // the fourth record request
    DownloadRun run;
    run.Download(module);
    EXPECT_EQ(run.result.result, kTimeoutError);
    EXPECT_EQ(run.result.requests, 3);
    EXPECT_EQ(std::count(run.content.begin(), run.content.end(), '\n'), 3);
    EXPECT_EQ(run.progress.steps_.back().text, "Celkem 3  záznamů ");

    ScriptedModule silent;
    silent.failAt = 1;
    DownloadRun early;
    early.Download(silent);
    EXPECT_EQ(early.result.result, kTimeoutError);
    EXPECT_EQ(early.progress.opens_, 0);
    EXPECT_EQ(silent.requests.size(), 1u);
}

// "Storno" ends the download at the next progress step, even when every record stays invalid
// (month 0), and the log's last line says what was written and that the rest stays queued.
TEST(QueueDownload, StornoEndsAtTheNextProgressStepEvenForUnusableRecords) {
    for (const int month : {0, 12}) {
        SCOPED_TRACE(month);
        ScriptedModule module;
        for (int i = 0; i < 100; ++i)
            module.records.push_back(Rec(0x10, 0, i, 2026, month, 7, 12, 0, i % 60));
        DownloadRun run;
        run.progress.cancelAtDelivery_ = 2;
        run.Download(module);
        EXPECT_TRUE(run.result.cancelled);
        EXPECT_EQ(run.result.requests, 20);
        const int written = month == 0 ? 0 : 20;
        EXPECT_EQ(std::count(run.content.begin(), run.content.end(), '\n'), written);
        ASSERT_GE(run.progress.lines_.size(), 2u);
        EXPECT_EQ(run.progress.lines_.end()[-2], "Celkem 20  záznamů ");
        EXPECT_EQ(run.progress.lines_.back(),
                  "Zapsáno " + std::to_string(written) + " záznamů, zbytek zůstává v modulu");
        EXPECT_TRUE(run.progress.keptOpen_);
    }
}

TEST(QueueDownload, AWriteErrorStopsTheDownload) {
    ScriptedModule module;
    for (int i = 0; i < 5; ++i)
        module.records.push_back(Rec(0x10, 0, i, 2026, 12, 7, 12, 0, i));
    DownloadRun run;
    DataFileWriter file;
    ASSERT_TRUE(file.Create(run.dir.File("q.PRN")));
    {
        test::FileSizeLimit noRoom(0);
        run.result = DownloadQueue(std::ref(module), 1, file, run.progress);
    }
    EXPECT_TRUE(run.result.writeFailed);
    EXPECT_EQ(run.result.written, 0);
    EXPECT_EQ(run.result.requests, 1);
    EXPECT_EQ(OverwriteQuestionText("a.PRN"), "Soubor  a.PRN  již existuje. Mám jej přepsat ?");
    EXPECT_EQ(CreateErrorText("a.PRN"), "Nelze otevřít soubor  a.PRN !");
}

}  // namespace
}  // namespace qx
