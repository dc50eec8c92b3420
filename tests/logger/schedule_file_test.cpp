#include "logger/core/schedule_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <random>

#include "logger/core/cp1250.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

class ScheduleFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("shedfile_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    void Put(const std::string& bytes) {
        std::ofstream(dir_ / kScheduleFileName, std::ios::binary) << bytes;
    }
    std::string Get() {
        std::ifstream in(dir_ / kScheduleFileName, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    Schedule Load() {
        Schedule s;
        EXPECT_TRUE(ReadScheduleFile(dir_, s));
        return s;
    }

    fs::path dir_;
};

const ShedEntry kEmptyEntry{};

std::string DefaultFile() {
    std::string bytes = "0;1\r\n";
    for (int n = 0; n < 8; ++n)
        bytes += "0;0;0;0;0.0.;0:0;1:00;+9999;-9999;0:10;\r\n";
    return bytes;
}

TEST_F(ScheduleFileTest, MissingFileGivesDefaultsAndWritesThemBackAsTheKnownFile) {
    Schedule s;
    s.rewrite = true;
    EXPECT_FALSE(ReadScheduleFile(dir_, s));
    EXPECT_FALSE(s.rewrite);
    EXPECT_TRUE(s.allOff);
    for (const ShedEntry& e : s.entries) {
        EXPECT_FALSE(e.active);
        EXPECT_EQ(e.quantity, 0);
        EXPECT_EQ(e.date, "0.0.");
        EXPECT_EQ(e.time, "0:0");
        EXPECT_EQ(e.interval, "1:00");
        EXPECT_EQ(e.high, "+9999");
        EXPECT_EQ(e.low, "-9999");
        EXPECT_EQ(e.limitInterval, "0:10");
    }
    ASSERT_TRUE(WriteScheduleFile(dir_, s));
    EXPECT_EQ(Get(), DefaultFile());
    // A schedule file that cannot be read counts as missing.
    fs::create_directories(dir_ / "sub" / kScheduleFileName);
    Schedule fromDir;
    EXPECT_FALSE(ReadScheduleFile(dir_ / "sub", fromDir));
    EXPECT_EQ(fromDir, Schedule::Defaults());
    EXPECT_FALSE(fs::exists(dir_ / "ROZVRH.QX.tmp"));
}

TEST_F(ScheduleFileTest, RoundTripKeepsTextsBlanksCodesAndCzechLetters) {
    Schedule s = Schedule::Defaults();
    s.rewrite = true;
    s.allOff = false;
    s.entries[0] = {true, 5, 2, 1, "", " 1.2. ", "  ", "+0,5", "-1.5", "60:00"};
    s.entries[3] = {false, -1, -1, -1, "žluťoučký", "kůň", "úpěl", "ďábelské", "ódy", "Č"};
    s.entries[7].active = true;
    ASSERT_TRUE(WriteScheduleFile(dir_, s));
    EXPECT_EQ(Load(), s);
    // On disk the Czech letters are single Windows-1250 bytes: ž = 9E, ů = F9, Č = C8.
    const std::string bytes = Get();
    EXPECT_NE(bytes.find("-1;-1;-1;\x9Elu\x9Dou\xE8k\xFD;k\xF9\xF2;"), std::string::npos);
    EXPECT_NE(bytes.find(";\xC8;\r\n"), std::string::npos);
}

TEST_F(ScheduleFileTest, SemicolonOrLineBreakInATextCannotShiftTheFields) {
    Schedule s = Schedule::Defaults();
    s.entries[1].high = "0;5";
    s.entries[1].date = "1.\n2.";
    ASSERT_TRUE(WriteScheduleFile(dir_, s));
    const Schedule back = Load();
    EXPECT_EQ(back.entries[1].high, "0,5");
    EXPECT_EQ(back.entries[1].date, "1. 2.");
    EXPECT_EQ(back.entries[1].low, "-9999");
    EXPECT_EQ(back.entries[2], s.entries[2]);
}

TEST_F(ScheduleFileTest, ShortFilesReadMissingAsFalseZeroAndEmpty) {
    Put("1;0\n");
    Schedule s = Load();
    EXPECT_TRUE(s.rewrite);
    EXPECT_FALSE(s.allOff);
    for (const ShedEntry& e : s.entries)
        EXPECT_EQ(e, kEmptyEntry);

    // The last line lacks its line feed: it reads as empty. A short line leaves the rest empty.
    std::string bytes = "0;1\r\n1;3;\r\n";
    for (int n = 0; n < 6; ++n)
        bytes += "1;1;1;1;a;b;c;d;e;f;\r\n";
    bytes += "1;7;4;0;x;y;z;u;v;w;";
    Put(bytes);
    s = Load();
    EXPECT_EQ(s.entries[0], (ShedEntry{true, 3, 0, 0, "", "", "", "", "", ""}));
    EXPECT_EQ(s.entries[6], (ShedEntry{true, 1, 1, 1, "a", "b", "c", "d", "e", "f"}));
    EXPECT_EQ(s.entries[7], kEmptyEntry);

    Put("");
    s = Load();
    EXPECT_FALSE(s.allOff);
    EXPECT_EQ(s.entries[0], kEmptyEntry);
}

TEST_F(ScheduleFileTest, LongAndMalformedLines) {
    // Only the first 250 characters of a 300-character line are split into fields.
    std::string line2 = "1;2;3;4;" + std::string(237, 'x') + ";" + std::string(53, 'y') + ";";
    ASSERT_EQ(line2.size(), 300u);
    std::string bytes = "7;x\n" + line2 + "\n";
    bytes += "abc;-2x;  +3;;only\n";  // numbers read from the leading part only
    // Only the CR of the CR LF pair ends a line; one before it belongs to the last field, also
    // right at the cut (251 characters with their CR: the CR is beyond what is kept).
    bytes += "1;1;1;1;a;b;c;d;e;f\r\r\n";
    bytes += "1;1;1;1;" + std::string(242, 'z') + "\r\r\n";
    Put(bytes);
    const Schedule s = Load();
    EXPECT_EQ(s, ParseScheduleFile(bytes));
    EXPECT_EQ(s.entries[2].limitInterval, "f\r");
    EXPECT_EQ(s.entries[3].date, std::string(242, 'z'));
    EXPECT_TRUE(s.rewrite);
    EXPECT_FALSE(s.allOff);
    EXPECT_EQ(s.entries[0].date, std::string(237, 'x'));
    EXPECT_EQ(s.entries[0].time, std::string(4, 'y'));
    EXPECT_EQ(s.entries[0].interval, "");
    EXPECT_EQ(s.entries[1], (ShedEntry{false, -2, 3, 0, "only", "", "", "", "", ""}));
}

TEST_F(ScheduleFileTest, LinesNotEndedWithinTheBoundReadAsAFileCutThere) {
    // Line 2 ends only past the bound, and 2 GB of zeros without a line end follow (sparse):
    // reading stops at the bound, as if the file ended there.
    std::string bytes = "1;0\r\n1;2;3;4;a;b;c;d;e;f;\r\n1;5;2;1;";
    bytes += std::string(kScheduleReadBound - bytes.size(), 'x') + "\r\n";
    for (int n = 0; n < 6; ++n)
        bytes += "1;1;1;1;a;b;c;d;e;f;\r\n";
    Put(bytes);
    fs::resize_file(dir_ / kScheduleFileName, std::uintmax_t{2} << 30);
    const Schedule s = Load();
    EXPECT_EQ(s, ParseScheduleFile(std::string_view(bytes).substr(0, kScheduleReadBound)));
    EXPECT_TRUE(s.rewrite);
    EXPECT_EQ(s.entries[0], (ShedEntry{true, 2, 3, 4, "a", "b", "c", "d", "e", "f"}));
    for (int n = 1; n < 8; ++n)
        EXPECT_EQ(s.entries[n], kEmptyEntry) << n;
}

// LeadingInt's cases are golden vectors: tests/golden/leading_int.txt.
TEST(ScheduleFileFields, Splitter) {
    EXPECT_EQ(SplitFields("a;;b"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(SplitFields("a;b;"), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(SplitFields("").empty());
}

TEST(Cp1250, ConvertsBothWaysAndReplacesWhatItCannotHold) {
    const std::string czech = "ěščřžýáíéúůťďňĚŠČŘŽÝÁÍÉÚŮŤĎŇ°";
    const std::string bytes = Utf8ToCp1250(czech);
    EXPECT_EQ(bytes.size(), 29u);
    EXPECT_EQ(Cp1250ToUtf8(bytes), czech);
    EXPECT_EQ(Utf8ToCp1250("€"), "\x80");
    EXPECT_EQ(Utf8ToCp1250("日x"), "?x");             // not in the code page
    EXPECT_EQ(Utf8ToCp1250("\xC3x\xC0\x80"), "?x?");  // malformed and overlong sequences
    EXPECT_EQ(Cp1250ToUtf8("\x81"), "?");             // undefined byte
}

TEST_F(ScheduleFileTest, FailedWriteLeavesTheOldFileAlone) {
    Put("1;1\n");
    ASSERT_TRUE(WriteScheduleFile(dir_, Schedule::Defaults()));
    const std::string good = Get();
    EXPECT_FALSE(WriteScheduleFile(dir_ / "missing", Schedule::Defaults()));
    // A directory in place of the temporary file makes the write fail before the rename.
    fs::create_directory(dir_ / "ROZVRH.QX.tmp");
    Schedule changed = Schedule::Defaults();
    changed.rewrite = true;
    EXPECT_FALSE(WriteScheduleFile(dir_, changed));
    EXPECT_EQ(Get(), good);
}

}  // namespace
}  // namespace qx

namespace qx {
namespace {

// Whatever bytes the file holds, loading never fails, and writing what was loaded and loading
// that again gives the same schedule (the guard characters aside, which random bytes avoid).
TEST(ScheduleFileFields, ArbitraryBytesLoadAndSettle) {
    std::mt19937 rng(99);
    for (int round = 0; round < 500; ++round) {
        std::string bytes;
        for (int n = static_cast<int>(rng() % 700); n > 0; --n) {
            const int r = static_cast<int>(rng() % 10);
            bytes += r < 2 ? '\n' : r < 4 ? ';' : static_cast<char>(rng() % 256);
        }
        const Schedule once = ParseScheduleFile(bytes);
        const Schedule twice = ParseScheduleFile(FormatScheduleFile(once));
        const Schedule thrice = ParseScheduleFile(FormatScheduleFile(twice));
        EXPECT_EQ(twice, thrice);
        EXPECT_EQ(once.rewrite, twice.rewrite);
        EXPECT_EQ(once.entries[3].quantity, twice.entries[3].quantity);
    }
}

}  // namespace
}  // namespace qx
