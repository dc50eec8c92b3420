#include "measure/core/text_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

namespace qx {
namespace {

// ValueText, EncodeStamp, DateText and TimeText have golden vectors in tests/golden/value_text.txt,
// encode_stamp.txt, date_text.txt and time_text.txt; here what relates stamps to each other.

TEST(TextFormat, EncodeStampRelations) {
    EXPECT_EQ(EncodeStamp(1999, 1, 1, 5, 6, 7, 0) - EncodeStamp(1998, 12, 31, 5, 6, 7, 0), 86400.0);
    // Negative times (a damaged data file) count back from the day, however large.
    EXPECT_DOUBLE_EQ(EncodeStamp(2000, 1, 1, INT_MIN, INT_MIN, INT_MIN, INT_MIN),
                     EncodeStamp(2000, 1, 1, 0, 0, 0, 0) - 3661.0 * 2147483648.0 - 2147483.648);
    // 31 April is accepted and lands on 1 May.
    EXPECT_EQ(EncodeStamp(2004, 4, 31, 0, 0, 0, 0), EncodeStamp(2004, 5, 1, 0, 0, 0, 0));
}

TEST(TextFormat, EveryDayReadsBackAsItsDate) {
    char buf[kTextBufferSize];
    for (int y = 1998; y <= 2027; ++y) {
        for (int m = 1; m <= 12; ++m) {
            for (int d = 1; d <= 28; d += 9) {
                char expected[16];
                std::snprintf(expected, sizeof expected, "%02i.%02i.%04i", d, m, y);
                ASSERT_STREQ(DateText(buf, EncodeStamp(y, m, d, 23, 59, 59, 999), true), expected);
            }
        }
    }
}

// Tenths made from milliseconds are shown as written, not a tenth short.
TEST(TextFormat, TimeTextTenthsFromMilliseconds) {
    char buf[kTextBufferSize];
    for (int tenth = 0; tenth < 10; ++tenth) {
        const double stamp = EncodeStamp(2027, 12, 30, 14, 3, 7, tenth * 100);
        const std::string expected = "14:03:07." + std::to_string(tenth);
        EXPECT_EQ(TimeText(buf, stamp, '.'), expected);
    }
}

TEST(TextFormat, ReplaceCharAndNextField) {
    char text[] = "12.5;3.25";
    EXPECT_STREQ(ReplaceChar(text, '.', ','), "12,5;3,25");

    const char* line = "a;;bc;";
    const char* cursor = line;
    char out[16];
    EXPECT_STREQ(NextField(out, &cursor), "a");
    EXPECT_STREQ(NextField(out, &cursor), "");
    EXPECT_STREQ(NextField(out, &cursor), "bc");
    EXPECT_EQ(*cursor, '\0');
    EXPECT_STREQ(NextField(out, &cursor), "");
    EXPECT_EQ(cursor, line + 6);
}

// Both readers over the same input must give the same lines.
std::vector<std::string> ReadAllFromMemory(const std::string& data) {
    std::vector<std::string> lines;
    char buf[kLineBufferSize];
    std::size_t pos = 0;
    while (ReadLine(data, &pos, buf))
        lines.emplace_back(buf);
    EXPECT_STREQ(buf, "");
    return lines;
}

std::vector<std::string> ReadAllFromFile(const std::string& data) {
    std::vector<std::string> lines;
    std::FILE* f = std::tmpfile();
    std::fwrite(data.data(), 1, data.size(), f);
    std::rewind(f);
    char buf[kLineBufferSize];
    while (ReadLine(f, buf))
        lines.emplace_back(buf);
    EXPECT_STREQ(buf, "");
    std::fclose(f);
    return lines;
}

TEST(TextFormat, ReadLine) {
    const std::string longLine(300, 'x');
    struct Case {
        std::string data;
        std::vector<std::string> lines;
    } cases[] = {
        {"", {}},
        {"one\r\ntwo\n", {"one", "two"}},
        {"one\ntail without LF", {"one"}},
        {"\n\r\n", {"", ""}},
        {"a\rb\r\r\n", {"a\rb\r"}},
        {longLine + "\r\nnext\n", {std::string(250, 'x'), "next"}},
        {std::string(249, 'y') + "\r\n", {std::string(249, 'y')}},
        {std::string("\xff\x01\xe8", 3) + "\n", {"\xff\x01\xe8"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadAllFromMemory(c.data), c.lines) << c.data;
        EXPECT_EQ(ReadAllFromFile(c.data), c.lines) << c.data;
    }
}

}  // namespace
}  // namespace qx
