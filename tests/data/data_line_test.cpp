#include "common/core/data_line.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace qx {
namespace {

constexpr const char* kFormat = "%i %i %lf %d %d.%d.%d %d:%d:%d %d";

// Single lines with every field read back are golden vectors: tests/golden/data_line.txt.

// The parser must take exactly what the C library's formatted input takes from the same line,
// field by field, including partial numbers. Lines are assembled from pieces that hit its odd
// corners; the seed is fixed.
std::string RandomLine(std::mt19937& rng) {
    static const char* const pieces[] = {"0x1A",
                                         "26",
                                         "032",
                                         "0x",
                                         "0X",
                                         "08",
                                         "+",
                                         "-",
                                         "12.5",
                                         "1e",
                                         "1e+",
                                         "1e5",
                                         ".5",
                                         ".",
                                         "5.",
                                         "inf",
                                         "nan",
                                         "INFINITY",
                                         "in",
                                         "infin",
                                         "0x1p3",
                                         "0x.8",
                                         "0x.",
                                         "0xp",
                                         "12",
                                         "2000",
                                         "99999999999",
                                         "-99999999999999999999",
                                         "0xFFFFFFFFFFFFFFFF",
                                         "abc",
                                         "1e999",
                                         "1e-400",
                                         "0x1G",
                                         "00x1",
                                         "\t",
                                         " ",
                                         ":",
                                         ".",
                                         ".",
                                         ":",
                                         "\r",
                                         "\v",
                                         "07",
                                         "09",
                                         "1,5",
                                         "+-1",
                                         "0777",
                                         "0779",
                                         "-.e",
                                         "3"};
    std::uniform_int_distribution<int> count(0, 24);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(pieces)) - 1);
    std::uniform_int_distribution<int> space(0, 3);
    std::string line;
    for (int n = count(rng); n > 0; --n) {
        line += pieces[pick(rng)];
        if (space(rng) == 0) line += ' ';
    }
    return line;
}

bool SameDouble(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(DataLine, AcceptsExactlyWhatTheCLibraryAccepts) {
    std::mt19937 rng(20261207);
    std::vector<std::string> lines = {"0x0A\t0x5D\t+9999\t1\t07.12.2026\t10:15:30 4", "1 2 1e+x 3",
                                      "1 2 0x1.8p+1x 3", "1 2 -inf 0 1.1.1 1:1:1 1"};
    for (int i = 0; i < 10000; ++i)
        lines.push_back(RandomLine(rng));
    // Lines in the writers' layout with values of every shape, and near misses of that layout.
    std::uniform_int_distribution<int> number(-999999, 999999), small(0, 99), shape(0, 5);
    for (int i = 0; i < 5000; ++i) {
        char line[120];
        const char* values[] = {"%d", "%d.%02d", "+%d.%d", "-0.%03d%d", "%d.", ".%d"};
        char value[40];
        std::snprintf(value, sizeof value, values[shape(rng)], number(rng), small(rng));
        std::snprintf(line, sizeof line,
                      "0x%02X\t0x%02x\t%s\t%d\t%02d.%02d.%04d\t%02d:%02d:%02d %d", small(rng),
                      small(rng) + 100, value, small(rng) % 3, small(rng), small(rng),
                      1990 + small(rng), small(rng), small(rng), small(rng), small(rng) % 12);
        lines.push_back(line);
        std::string bent = line;
        bent[std::uniform_int_distribution<std::size_t>(0, bent.size() - 1)(rng)] =
            " \t.:x0-+9e"[small(rng) % 11];
        lines.push_back(bent);
    }
    // Written lines with one or two fields swapped for odd pieces reach the later fields.
    const std::vector<std::string> fields = {"0x0A", "\t", "0x5D", "\t", "-12.500", "\t",   "2",
                                             "\t",   "05", ".",    "03", ".",       "2004", "\t",
                                             "14",   ":",  "03",   ":",  "07",      " ",    "5"};
    std::uniform_int_distribution<std::size_t> which(0, fields.size() - 1);
    for (int i = 0; i < 10000; ++i) {
        std::vector<std::string> copy = fields;
        copy[which(rng)] = RandomLine(rng).substr(0, 6);
        if (i % 2) copy[which(rng)] = RandomLine(rng).substr(0, 3);
        std::string line;
        for (const std::string& piece : copy)
            line += piece;
        lines.push_back(line);
    }
    for (const std::string& line : lines) {
        DataLineFields f;
        int a = 0, c = 0, l = 0, d = 1, m = 1, y = 1998, h = 0, mi = 0, s = 0, t = 0;
        double v = 0.0;
        int scanned =
            std::sscanf(line.c_str(), kFormat, &a, &c, &v, &l, &d, &m, &y, &h, &mi, &s, &t);
        if (scanned < 0) scanned = 0;
        ASSERT_EQ(ParseDataLine(line, f), scanned) << '[' << line << ']';
        EXPECT_EQ(f.address, a) << line;
        EXPECT_EQ(f.config, c) << line;
        EXPECT_TRUE(SameDouble(f.value, v)) << line << ": " << f.value << " vs " << v;
        EXPECT_EQ(f.limit, l) << line;
        EXPECT_EQ(f.day, d) << line;
        EXPECT_EQ(f.month, m) << line;
        EXPECT_EQ(f.year, y) << line;
        EXPECT_EQ(f.hour, h) << line;
        EXPECT_EQ(f.minute, mi) << line;
        EXPECT_EQ(f.second, s) << line;
        EXPECT_EQ(f.tenths, t) << line;
    }
}

TEST(DataLine, WritesTheExactLineAndReadsItBack) {
    const DataLineOut out{0x0A, 0x5D, "-12,50", '2', 5, 3, 2004, 14, 3, 7, 5};
    const std::string line = FormatDataLine(out);
    EXPECT_EQ(line, "0x0A\t0x5D\t-12,50\t2\t05.03.2004\t14:03:07 5\r\n");
    EXPECT_EQ(FormatDataLine({0xFE, 0x00, "0,500", '0', 31, 12, 2027, 0, 0, 0, 0}),
              "0xFE\t0x00\t0,500\t0\t31.12.2027\t00:00:00 0\r\n");

    std::string normalised = line.substr(0, line.size() - 2);
    for (char& ch : normalised)
        ch = ch == ',' ? '.' : ch;
    DataLineFields f;
    ASSERT_EQ(ParseDataLine(normalised, f), 11);
    EXPECT_EQ(f.value, -12.5);
    EXPECT_EQ(f.config, 0x5D);
    EXPECT_EQ(f.tenths, 5);
}

}  // namespace
}  // namespace qx
