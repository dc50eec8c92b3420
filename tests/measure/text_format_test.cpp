#include "measure/core/text_format.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace qx {
namespace {

struct ValueCase {
    double value;
    int sign, quantity, hint, unit;
    const char* text;
};

TEST(TextFormat, ValueTextGoldenVectors) {
    const ValueCase cases[] = {
        {9999, 0, 0, -1, -1, "OL  "},       {-9999, 0, 0, -1, 0, "LLLL"},
        {9999, 0, -1, -1, -1, "9999"},      {100000, 0, -1, -1, -1, "OL  "},
        {-100000, 1, -1, -1, -1, "LLLL"},   {1e10, 0, 3, 1, 3, "(?)"},
        {-1e10, 0, -1, -1, -1, "(?)"},      {230.4, 0, 1, -1, 1, "230.4  V"},
        {12.7, 0, 0, 0, 0, "  13  A"},      {5.123, 0, 7, -1, -1, "5.1230"},
        {5.123, 0, 7, 2, 7, "5.123  kohm"}, {1.95, 1, 4, -1, -1, "+0.95L"},
        {-1.95, 1, 4, -1, -1, "-0.95C"},    {0, 1, 4, -1, -1, "-1.00L"},
        {0.85, 0, 4, 2, 4, "-0.15L  cos"},  {9999, 0, 4, -1, 4, "OL  "},
        {+9999, 1, -1, -1, -1, "+9999"},    {12.5, 0, -1, -1, -1, "12.50"},
        {1234.7, 0, -1, -1, -1, "1235"},    {0.5, 0, -1, -1, -1, "0.500"},
        {0.5, 1, 2, 1, 2, " +0.5  kW"},     {-0.5, 2, 2, -1, -1, "-0.500"},
        {150.0, 0, 0, 2, -1, "150.0"},  // magnitude wins over a finer hint
        {3.5, 0, 3, 3, -1, "3.500"},    // AUTO lets the magnitude decide
        {21.3, 0, 6, -1, 6, "21.30  °C"},   {50.0, 0, 5, 0, 5, "  50  Hz"},
        {999.0, 0, 1, -1, -1, "999.0"},     {999.5, 0, 1, -1, -1, "1000"},
        {1000.4, 0, 7, -1, -1, "1000.4"},
    };
    char buf[kTextBufferSize];
    for (const ValueCase& c : cases) {
        EXPECT_STREQ(ValueText(buf, c.value, c.sign, c.quantity, c.hint, c.unit), c.text)
            << c.value << " q" << c.quantity << " hint" << c.hint;
    }
    EXPECT_STREQ(ValueText(buf, std::nan(""), 0, 0, -1, 0), "(?)");
}

TEST(TextFormat, EncodeStampGoldenVectors) {
    EXPECT_EQ(EncodeStamp(1998, 1, 1, 0, 0, 0, 0), 86400.0);
    EXPECT_EQ(EncodeStamp(2000, 3, 1, 0, 0, 0, 0), 86400.0 * 791);
    EXPECT_EQ(EncodeStamp(1999, 1, 1, 5, 6, 7, 0) - EncodeStamp(1998, 12, 31, 5, 6, 7, 0), 86400.0);
    EXPECT_EQ(EncodeStamp(2001, 1, 1, 0, 0, 0, 0), 86400.0 * 1097);
    EXPECT_EQ(EncodeStamp(2030, 1, 1, 0, 0, 0, 0), 946684800.0);
    EXPECT_EQ(EncodeStamp(1990, 6, 1, 0, 0, 0, 0), 86400.0);
    EXPECT_DOUBLE_EQ(EncodeStamp(1998, 1, 1, 1, 2, 3, 450), 86400.0 + 3723.45);
    // Negative times (a damaged data file) count back from the day, however large.
    EXPECT_EQ(EncodeStamp(1998, 1, 2, -1, 0, 0, 0), 2 * 86400.0 - 3600);
    EXPECT_DOUBLE_EQ(EncodeStamp(2000, 1, 1, INT_MIN, INT_MIN, INT_MIN, INT_MIN),
                     EncodeStamp(2000, 1, 1, 0, 0, 0, 0) - 3661.0 * 2147483648.0 - 2147483.648);
    // 31 April is accepted and lands on 1 May.
    EXPECT_EQ(EncodeStamp(2004, 4, 31, 0, 0, 0, 0), EncodeStamp(2004, 5, 1, 0, 0, 0, 0));
    for (const auto& bad : {std::array{2000, 13, 1, 0, 0, 0}, std::array{2000, 0, 1, 0, 0, 0},
                            std::array{2000, 1, 0, 0, 0, 0}, std::array{2000, 1, 32, 0, 0, 0},
                            std::array{2000, 1, 1, 24, 0, 0}, std::array{2000, 1, 1, 0, 60, 0},
                            std::array{2000, 1, 1, 0, 0, 60}, std::array{1990, 13, 1, 0, 0, 0}}) {
        EXPECT_EQ(EncodeStamp(bad[0], bad[1], bad[2], bad[3], bad[4], bad[5], 0), -1.0);
    }
}

TEST(TextFormat, DateTextGoldenVectors) {
    char buf[kTextBufferSize];
    EXPECT_STREQ(DateText(buf, 86399, true), "(?\?\?)");
    EXPECT_STREQ(DateText(buf, 946684800, true), "(?\?\?)");
    EXPECT_STREQ(DateText(buf, -1.0, false), "(?\?\?)");
    EXPECT_STREQ(DateText(buf, std::nan(""), true), "(?\?\?)");
    EXPECT_STREQ(DateText(buf, 86400, true), "01.01.1998");
    EXPECT_STREQ(DateText(buf, 946684799, true), "30.12.2027");
    EXPECT_STREQ(DateText(buf, EncodeStamp(2000, 2, 29, 23, 59, 59, 900), true), "29.02.2000");
    EXPECT_STREQ(DateText(buf, EncodeStamp(2000, 3, 1, 0, 0, 0, 0), true), "01.03.2000");
    EXPECT_STREQ(DateText(buf, EncodeStamp(2001, 12, 31, 12, 0, 0, 0), true), "31.12.2001");
    EXPECT_STREQ(DateText(buf, EncodeStamp(2004, 3, 5, 0, 0, 0, 0), true), "05.03.2004");
    EXPECT_STREQ(DateText(buf, EncodeStamp(2004, 3, 5, 0, 0, 0, 0), false), "05.03.");
    EXPECT_STREQ(DateText(buf, EncodeStamp(1999, 1, 1, 0, 0, 0, 0), true), "01.01.1999");
    // Every day of the scale reads back as the date it was encoded from.
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

TEST(TextFormat, TimeTextGoldenVectors) {
    char buf[kTextBufferSize];
    EXPECT_STREQ(TimeText(buf, 86400 * 10 + 3723.5, '.'), "01:02:03.5");
    EXPECT_STREQ(TimeText(buf, 86400 * 10 + 3723.5, 0), "01:02:03");
    EXPECT_STREQ(TimeText(buf, 86400 + 86399.9, ','), "23:59:59,9");
    // Tenths made from milliseconds are shown as written, not a tenth short.
    for (int tenth = 0; tenth < 10; ++tenth) {
        const double stamp = EncodeStamp(2027, 12, 30, 14, 3, 7, tenth * 100);
        const std::string expected = "14:03:07." + std::to_string(tenth);
        EXPECT_EQ(TimeText(buf, stamp, '.'), expected);
    }
    EXPECT_STREQ(TimeText(buf, -1.0, '.'), "(?\?\?)");
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
