#include "measure/core/recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

namespace qx {
namespace {

using test::TempDir;

int Tenths(int h, int m, int s, int t) {
    return h * 36000 + m * 600 + s * 10 + t;
}

StationRecord Station(double value, int sign = 0, int config = 0x10) {
    StationRecord s;
    s.state = 2;
    s.config = config;
    s.value = value;
    s.sign = sign;
    return s;
}

int Lines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

struct Recording {
    TempDir dir;
    LocalTime now{2026, 12, 7, 10, 15, 31, 0};
    Recorder recorder{[this] { return now; }};
    std::string path = dir.File("r.PRN");

    std::string Content() const { return TempDir::Read(path); }
};

TEST(Recorder, WritesTheValueTimeOrNowAfterMidnight) {
    Recording r;
    ASSERT_TRUE(r.recorder.OpenFile(r.path));
    EXPECT_EQ(r.recorder.WriteRecord(5, Tenths(10, 15, 30, 4), Station(12.5)),
              Recorder::Step::Written);
    // Read at 23:59:59.8, handled at 00:00:00.3 of the next day: the new date, now's time.
    r.now = {2026, 12, 8, 0, 0, 0, 300};
    EXPECT_EQ(r.recorder.WriteRecord(5, Tenths(23, 59, 59, 8), Station(0.5)),
              Recorder::Step::Written);
    EXPECT_EQ(r.Content(),
              "0x05\t0x10\t12,50\t0\t07.12.2026\t10:15:30 4\r\n"
              "0x05\t0x10\t0,500\t0\t08.12.2026\t00:00:00 3\r\n");
    EXPECT_EQ(r.recorder.LineCount(), 2);
}

// Modules on one bus may answer within the same tenth: each address has its own last time.
TEST(Recorder, DropsASecondValueWithTheSameTimeFromTheSameAddress) {
    Recording r;
    ASSERT_TRUE(r.recorder.OpenFile(r.path));
    const int t = Tenths(10, 15, 30, 4);
    EXPECT_EQ(r.recorder.WriteRecord(1, t, Station(1.0)), Recorder::Step::Written);
    EXPECT_EQ(r.recorder.WriteRecord(1, t, Station(2.0)), Recorder::Step::Skipped);
    EXPECT_EQ(r.recorder.WriteRecord(2, t, Station(2.0)), Recorder::Step::Written);
    EXPECT_EQ(r.recorder.WriteRecord(1, t + 1, Station(3.0)), Recorder::Step::Written);
    EXPECT_EQ(Lines(r.Content()), 3);
}

TEST(Recorder, ValueTextsAndLimitFlags) {
    struct Case {
        double value;
        int sign;
        const char* text;
        char flag;
    };
    const Case cases[] = {{9999.0, 1, "+9999", '1'},  {12.5, 0, "12,50", '0'},
                          {1234.7, 0, "1235", '0'},   {0.5, 0, "0,500", '0'},
                          {-9999.0, 2, "-9999", '2'}, {-12000.0, 2, "-12000", '2'},
                          {100000.0, 0, "OL  ", '1'}};
    Recording r;
    ASSERT_TRUE(r.recorder.OpenFile(r.path));
    std::string expected;
    int t = Tenths(10, 0, 0, 0);
    for (const Case& c : cases) {
        ASSERT_EQ(r.recorder.WriteRecord(3, ++t, Station(c.value, c.sign, 0x5D)),
                  Recorder::Step::Written);
        char line[100];
        std::snprintf(line, sizeof line, "0x03\t0x5D\t%s\t%c\t07.12.2026\t10:00:00 %d\r\n", c.text,
                      c.flag, t % 10);
        expected += line;
    }
    EXPECT_EQ(r.Content(), expected);
}

TEST(Recorder, OpeningEmptiesTheFileAndClosingStopsTheLines) {
    Recording r;
    TempDir::Read(r.dir.Write("r.PRN", "old contents\n"));
    ASSERT_TRUE(r.recorder.OpenFile(r.path));
    EXPECT_EQ(r.Content(), "");
    r.recorder.WriteRecord(1, Tenths(10, 0, 0, 1), Station(1.0));
    r.recorder.CloseFile();
    EXPECT_EQ(r.recorder.LineCount(), 0);
    EXPECT_EQ(r.recorder.WriteRecord(1, Tenths(10, 0, 0, 2), Station(1.0)),
              Recorder::Step::Skipped);
    EXPECT_EQ(Lines(r.Content()), 1);

    EXPECT_FALSE(r.recorder.OpenFile(r.dir.File("no/such/folder.PRN")));
    EXPECT_EQ(r.recorder.WriteRecord(1, Tenths(10, 0, 0, 3), Station(1.0)),
              Recorder::Step::Skipped);
    EXPECT_EQ(RecordingOpenErrorText("x.PRN"), "Nelze otevřít soubor x.PRN !");
}

TEST(Recorder, AWriteErrorIsReportedOnceAndEndsTheRecording) {
    // A disk that takes no more: the file may not grow past its empty start.
    Recording full;
    ASSERT_TRUE(full.recorder.OpenFile(full.path));
    {
        test::FileSizeLimit noRoom(0);
        EXPECT_EQ(full.recorder.WriteRecord(1, Tenths(10, 0, 0, 1), Station(1.0)),
                  Recorder::Step::Failed);
    }
    EXPECT_FALSE(full.recorder.IsOpen());
    EXPECT_EQ(full.recorder.WriteRecord(1, Tenths(10, 0, 0, 2), Station(1.0)),
              Recorder::Step::Skipped);
    // A device is no data file: /dev/full is refused before any line.
    EXPECT_FALSE(full.recorder.OpenFile("/dev/full"));

    // A file removed from its folder while recording: the lines would go nowhere.
    Recording removed;
    ASSERT_TRUE(removed.recorder.OpenFile(removed.path));
    EXPECT_EQ(removed.recorder.WriteRecord(1, Tenths(10, 0, 0, 1), Station(1.0)),
              Recorder::Step::Written);
    std::filesystem::remove(removed.path);
    EXPECT_EQ(removed.recorder.WriteRecord(1, Tenths(10, 0, 0, 2), Station(1.0)),
              Recorder::Step::Failed);
}

}  // namespace
}  // namespace qx
