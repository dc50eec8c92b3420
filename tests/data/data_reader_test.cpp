#include "data/core/data_reader.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "common/core/data_file_writer.h"
#include "data/core/line_source.h"
#include "logger/core/schedule_file.h"
#include "measure/core/text_format.h"
#include "tests/support/fake_progress.h"
#include "tests/support/temp_dir.h"

namespace qx {
namespace {

using test::FakeProgress;
using test::TempDir;

struct Loaded {
    RecordList list;
    ReadOutcome outcome;
    FakeProgress progress;
};

void Load(Loaded& l, const std::string& path) {
    l.list.fileName = path;
    l.outcome = ReadDataFile(l.list, l.progress);
}

double Stamp(int d, int m, int y, int h, int mi, int s, int tenths = 0) {
    return EncodeStamp(y, m, d, h, mi, s, tenths * 100);
}

TEST(DataReader, AFileThatCannotBeOpenedLeavesAnEmptyList) {
    TempDir dir;
    Loaded l;
    l.list.records.resize(3);
    Load(l, dir.File("missing.PRN"));
    EXPECT_FALSE(l.outcome.opened);
    EXPECT_EQ(l.list.Count(), 0);
    EXPECT_EQ(l.progress.opens_, 0);
    // Folders and devices are no data files (a device like /dev/zero would never end).
    for (const std::string& path : {dir.File(""), std::string("/dev/zero")}) {
        Loaded other;
        Load(other, path);
        EXPECT_FALSE(other.outcome.opened) << path;
    }
    EXPECT_EQ(ReadOpenErrorText("a.PRN"), "Nelze otevřít soubor  a.PRN  !");
    EXPECT_EQ(DataFileHint("a.PRN", false), "Soubor dat:  ???");
    EXPECT_EQ(DataFileHint("a.PRN", true), "Soubor dat:  a.PRN");
}

// Whatever the user names, reading and writing neither wait nor crash: a FIFO (with or without a
// peer), a folder and a device are no files; a huge sparse schedule file costs only its first
// lines; NUL bytes and CR-only line ends are ordinary characters.
TEST(HostileFiles, AreRefusedOrReadWithoutWaiting) {
    TempDir dir;
    const std::string fifo = dir.File("fifo.PRN");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string path;
        bool readable, writable;
        std::size_t records;
    };
    const Case cases[] = {
        {fifo, false, false, 0},
        {dir.File(""), false, false, 0},
        {"/dev/null", false, false, 0},
        {dir.Write("nul.PRN", std::string("0x0A\t0x10\t1,5\t0\t08.12.2026\t07:00:00 0\r\n") +
                                  std::string(3, '\0') + "\r\n0x0A\t0x10\t2\0,5\t0\r\n"),
         true, true, 2},
        {dir.Write("cr.PRN", "0x0A\t0x10\t1,5\t0\t08.12.2026\t07:00:00 0\r\r"), true, true, 0},
    };
    for (const Case& c : cases) {
        Loaded l;
        Load(l, c.path);
        EXPECT_EQ(l.outcome.opened, c.readable) << c.path;
        EXPECT_EQ(l.list.records.size(), c.records) << c.path;
        DataFileWriter writer;
        EXPECT_EQ(writer.Create(c.path), c.writable) << c.path;
    }
    // A FIFO with a reader: a writer would block on it, or die of SIGPIPE once the reader left.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    DataFileWriter writer;
    EXPECT_FALSE(writer.Create(fifo));
    ::close(reader);

    // The schedule file: a FIFO in its place gives the defaults at once; 2 GB of nothing after
    // the schedule's lines are never read.
    Schedule schedule;
    ASSERT_EQ(::mkfifo(dir.File("ROZVRH.QX").c_str(), 0600), 0);
    EXPECT_FALSE(ReadScheduleFile(dir.File(""), schedule));
    EXPECT_EQ(schedule, Schedule::Defaults());
    std::filesystem::remove(dir.File("ROZVRH.QX"));
    Schedule wide = Schedule::Defaults();
    wide.rewrite = true;
    wide.entries[7].high = "+1234";
    ASSERT_TRUE(WriteScheduleFile(dir.File(""), wide));
    std::filesystem::resize_file(dir.File("ROZVRH.QX"), std::uintmax_t{2} << 30);
    EXPECT_TRUE(ReadScheduleFile(dir.File(""), schedule));
    EXPECT_EQ(schedule, wide);
}

TEST(DataReader, EmptyFileOpensWithoutProgress) {
    TempDir dir;
    Loaded l;
    Load(l, dir.Write("e.PRN", ""));
    EXPECT_TRUE(l.outcome.opened);
    EXPECT_EQ(l.list.Count(), 0);
    EXPECT_EQ(l.progress.opens_, 0);
    EXPECT_TRUE(l.progress.pauses_.empty());
}

TEST(DataReader, CommentsAndEmptyLinesAreCountedButNotRead) {
    TempDir dir;
    Loaded l;
    Load(l, dir.Write("c.PRN", "; first\r\n\r\n;0x01 0x10 5 0 01.01.2000 00:00:00 0\n\n"));
    EXPECT_EQ(l.list.Count(), 0);
    EXPECT_EQ(l.progress.title_, "Čtení dat ze souboru");
    EXPECT_EQ(l.progress.maximum_, 4);
    ASSERT_EQ(l.progress.steps_.size(), 1u);
    EXPECT_EQ(l.progress.steps_[0].text, "Celkem 4  záznamů ");
    EXPECT_EQ(l.progress.steps_[0].position, 4);
    EXPECT_EQ(l.progress.pauses_, std::vector<int>{1500});
    EXPECT_TRUE(l.progress.visible_);  // left open for the table fill
}

TEST(DataReader, ReadsFieldsWithEitherDecimalSeparatorAndAnyBase) {
    TempDir dir;
    Loaded l;
    Load(l, dir.Write("b.PRN",
                      "0x1A\t0x12\t12,5\t1\t05.03.2004\t14:03:07 5\r\n"
                      "26\t18\t12.5\t2\t05.03.2004\t14:03:08 0\r\n"
                      "032\t022\t-0,125\t0\t05,03,2004\t14:03:09 9\n"));
    ASSERT_EQ(l.list.Count(), 3);
    for (const DataRecord& r : l.list.records) {
        EXPECT_EQ(r.address, 26);
        EXPECT_EQ(r.config, 0x12);
        EXPECT_EQ(r.Quantity(), 1);
    }
    EXPECT_EQ(l.list.records[0].value, 12.5);
    EXPECT_EQ(l.list.records[1].value, 12.5);
    EXPECT_EQ(l.list.records[2].value, -0.125);
    EXPECT_EQ(l.list.records[0].limit, 1);
    EXPECT_EQ(l.list.records[1].limit, 2);
    EXPECT_EQ(l.list.records[0].stamp, Stamp(5, 3, 2004, 14, 3, 7, 5));
    // The commas of the date became points as well, so the date still reads.
    EXPECT_EQ(l.list.records[2].stamp, Stamp(5, 3, 2004, 14, 3, 9, 9));
}

TEST(DataReader, KeepsOnlyTheFirst250CharactersOfALine) {
    TempDir dir;
    // The configuration byte begins beyond the kept part and so keeps its preset, quantity 0.
    const std::string longLine = "0x05" + std::string(251, ' ') + "0x10 5 0 01.01.2000 00:00:00 0";
    const std::string fits = "0x06" + std::string(240, ' ') + "0x10 5";
    Loaded l;
    Load(l, dir.Write("l.PRN", longLine + "\n" + fits + "\n"));
    ASSERT_EQ(l.list.Count(), 2);
    EXPECT_EQ(l.list.records[0].address, 5);
    EXPECT_EQ(l.list.records[0].config, 0);
    EXPECT_EQ(l.list.records[0].stamp, 86400.0);
    EXPECT_EQ(l.list.records[1].config, 0x10);
}

TEST(DataReader, ALastLineWithoutLineFeedIsIgnored) {
    TempDir dir;
    Loaded l;
    Load(l, dir.Write("n.PRN",
                      "0x01 0x10 5 0 01.01.2000 00:00:00 0\n0x01 0x10 6 0 01.01.2000 "
                      "00:00:01 0"));
    ASSERT_EQ(l.list.Count(), 1);
    EXPECT_EQ(l.list.records[0].value, 5.0);
    EXPECT_EQ(l.progress.maximum_, 1);
}

TEST(DataReader, DropsRecordsThatGoBackInTimeWithinTheirQuantity) {
    TempDir dir;
    Loaded l;
    Load(l, dir.Write("s.PRN",
                      "0x01\t0x10\t1\t0\t01.02.2000\t10:00:05 0\r\n"
                      "0x01\t0x20\t2\t0\t01.02.2000\t09:00:00 0\r\n"
                      "0x01\t0x10\t3\t0\t01.02.2000\t10:00:01 0\r\n"
                      "0x01\t0x10\t4\t0\t01.02.2000\t10:00:05 0\r\n"     // equal stamps both stay
                      "0x01\t0x90\t5\t0\t01.02.2000\t09:30:00 0\r\n"));  // bit 7 aside: quantity 1
    EXPECT_EQ(l.outcome.outOfSequence, 2);
    ASSERT_EQ(l.list.Count(), 3);
    EXPECT_EQ(l.list.records[0].value, 1.0);
    EXPECT_EQ(l.list.records[1].value, 2.0);
    EXPECT_EQ(l.list.records[2].value, 4.0);
    EXPECT_EQ(OutOfSequenceText(2),
              "Bylo zjištěno  2  hodnot mimo časovou posloupnost.\nTyto hodnoty budou v tabulce a "
              "grafu ignorovány.");
}

TEST(DataReader, InvalidDatesAndOverloadTextsFollowThePresetRules) {
    TempDir dir;
    Loaded l;
    Load(l, dir.Write("i.PRN",
                      "0x01\t0x00\tOL  \t1\t01.02.2000\t10:00:05 0\n"  // date preset: 1.1.1998
                      "0x01\t0x00\t7\t0\t01.13.2000\t10:00:05 0\n"     // month 13: stamp -1
                      "0x01\t0x00\t8\t0\t01.02.2000\t24:00:00 0\n"     // hour 24
                      "0x01\t0x00\t9\t0\t01.02.2000\t10:00:05 0\n"
                      "0x01\t0x00\tLLLL\t0\t01.02.2000\t10:00:06 0\n"));  // now behind: dropped
    EXPECT_EQ(l.outcome.outOfSequence, 3);
    ASSERT_EQ(l.list.Count(), 2);
    EXPECT_EQ(l.list.records[0].value, 0.0);
    EXPECT_EQ(l.list.records[0].limit, 0);
    EXPECT_EQ(l.list.records[0].stamp, 86400.0);
    EXPECT_EQ(l.list.records[1].value, 9.0);
}

std::string ManyLines(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) {
        char line[80];
        std::snprintf(line, sizeof line, "0x01\t0x10\t%d\t0\t01.02.2000\t10:%02d:%02d 0\r\n", i,
                      i / 60 % 60, i % 60);
        text += line;
    }
    return text;
}

TEST(DataReader, ReportsProgressEveryStepOfLines) {
    TempDir dir;
    struct Case {
        int lines, step;
    };
    for (const Case c : {Case{35, 10}, Case{250, 50}, Case{1001, 100}}) {
        Loaded l;
        Load(l, dir.Write("p.PRN", ManyLines(c.lines)));
        EXPECT_EQ(l.list.Count(), c.lines);
        ASSERT_EQ(l.progress.steps_.size(), static_cast<std::size_t>(c.lines / c.step + 1));
        EXPECT_EQ(l.progress.steps_[0].text, " " + std::to_string(c.step) + "  záznamů");
        EXPECT_EQ(l.progress.steps_[0].position, c.step - 1);
        EXPECT_EQ(l.progress.steps_.back().text,
                  "Celkem " + std::to_string(c.lines) + "  záznamů ");
    }
}

TEST(DataReader, StornoEmptiesTheListAndReportsTheLineReached) {
    TempDir dir;
    Loaded l;
    l.progress.cancelAtDelivery_ = 2;
    Load(l, dir.Write("x.PRN", ManyLines(35)));
    EXPECT_TRUE(l.outcome.opened);
    EXPECT_TRUE(l.outcome.cancelled);
    EXPECT_EQ(l.list.Count(), 0);
    ASSERT_EQ(l.progress.steps_.size(), 2u);
    EXPECT_EQ(l.progress.steps_[1].text, "Celkem 19  záznamů ");
    EXPECT_EQ(l.progress.pauses_.size(), 1u);
}

TEST(LineSource, SplitsLinesLikeTheTextModeLineReader) {
    TempDir dir;
    struct Case {
        std::string content;
        std::vector<std::string> lines;
    };
    const std::string x249(249, 'x');
    const std::string x250(250, 'x');
    const Case cases[] = {
        {"a\r\nb\n\nc", {"a", "b", ""}},
        {"a\rb\r\r\n", {"a\rb\r"}},  // only the CR right before the line feed goes
        {x249 + "\r\n", {x249}},
        {x250 + "\r\n", {x250}},
        {x250 + "yz\r\nq\n", {x250, "q"}},
        {std::string(3 << 20, 'z') + "\nend\n", {std::string(250, 'z'), "end"}},
    };
    // The same lines whatever the block: a CR LF pair or a line's cut split by a block's end.
    for (const Case& c : cases)
        for (const std::size_t block :
             {LineSource::kDefaultBlock, std::size_t{1}, std::size_t{251}}) {
            if (c.content.size() > (1u << 20) && block == 1) continue;
            LineSource source;
            ASSERT_TRUE(source.Open(dir.Write("t.txt", c.content), block));
            EXPECT_EQ(source.CountLines(), static_cast<long long>(c.lines.size()));
            std::vector<std::string> got;
            char* line = nullptr;
            std::size_t length = 0;
            while (source.Next(line, length)) {
                EXPECT_EQ(std::strlen(line), length);
                got.emplace_back(line, length);
            }
            EXPECT_EQ(got, c.lines) << "block " << block;
        }
}

}  // namespace
}  // namespace qx
