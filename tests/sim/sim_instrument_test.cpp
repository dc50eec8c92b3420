#include "sim/instrument.h"

#include <gtest/gtest.h>

#include "link/core/protocol.h"

namespace qx::sim {
namespace {

struct ReadingCase {
    int config;
    int model;
    double value;
    const char* text;  // what follows ">" in the reply
    double readBack;   // what the link makes of it
    int sign;          // sign indicator the link derives: 1 "+", 2 "-", 0 none
};

TEST(SimInstrument, ReadingsFollowQuantityRangeAndInput) {
    const ReadingCase cases[] = {
        {0x00, 520, 12.5, "000013", 13, 0},       // current, top range 1000, AC+DC: unsigned
        {0x04, 520, 12.5, "0012.5", 12.5, 0},     // 399.9
        {0x08, 520, 12.5, "012.50", 12.5, 0},     // 39.99
        {0x0C, 520, 12.5, "012.50", 12.5, 0},     // AUTO picks the finest range that holds it
        {0x0C, 520, 450, "000450", 450, 0},       // AUTO up to the top range
        {0x0C, 520, 1500, "009999", 9999, 0},     // beyond 1000: overload
        {0x0C, 525, 1500, "001500", 1500, 0},     // model 525 reaches 2000
        {0x0C, 1525, 2500, "009999", 9999, 0},    //
        {0x0A, 520, -3.21, "-03.21", -3.21, 2},   // DC: signed
        {0x0A, 520, 45, "+09999", 9999, 1},       // DC overload keeps the sign
        {0x0A, 520, -45, "-09999", -9999, 2},     //
        {0x12, 520, 230, "+00230", 230, 1},       // voltage 1000, DC
        {0x14, 520, 230.44, "0230.4", 230.4, 0},  // voltage 399.9, AC+DC
        {0x18, 520, 230, "009999", 9999, 0},      // voltage 39.99: overload
        {0x20, 520, 2.3, "+00002", 2, 1},         // active power top range: signed
        {0x2C, 520, 2.3, "+2.300", 2.3, 1},       // 3.999
        {0x2F, 520, -2.3, "-2.300", -2.3, 2},     // AUTO, power flowing back
        {0x3F, 520, 2.5, "02.500", 2.5, 0},       // apparent power: unsigned
        {0x40, 520, 1.93, "+01.93", 1.93, 1},     // power factor in the instrument's form
        {0x40, 520, -1.9, "-01.90", -1.9, 2},     //
        {0x50, 520, 50.0, "000050", 50, 0},       // frequency 3999, current input
        {0x5D, 520, 50.02, "0050.0", 50.0, 0},    // AUTO, voltage input
        {0x60, 520, -5.2, "-005.2", -5.2, 2},     // temperature: signed
        {0x70, 520, 4.7, "0004.7", 4.7, 0},       // resistance 399.9
        {0x7C, 520, 4.7, "009999", 9999, 0},      // 0.3999: overload
        {0x7F, 520, 4.7, "004.70", 4.7, 0},       // AUTO: 39.99 is the finest that holds it
        {0x7F, 520, 0.25, "0.2500", 0.25, 0},     // AUTO down to 0.3999
    };
    for (const auto& c : cases) {
        const auto m = MeasurementOf(c.config, c.model);
        ASSERT_TRUE(m.has_value()) << std::hex << c.config;
        const std::string text = ReadingText(*m, c.value);
        EXPECT_EQ(text, c.text) << std::hex << c.config << " " << c.value;
        for (bool checksum : {false, true}) {
            double v = 0;
            int sign = -1;
            ASSERT_TRUE(ParseValueReply(Frame(">" + text + "\\", checksum), &v, &sign));
            EXPECT_DOUBLE_EQ(v, c.readBack) << text << (checksum ? " with checksum" : "");
            EXPECT_EQ(sign, c.sign) << text;
        }
    }
}

TEST(SimInstrument, BytesThatNameNoMeasurementGiveNoValue) {
    for (int config : {0x03, 0x0F, 0x21, 0x3E, 0x41, 0x58, 0x5E, 0x61, 0x80, 0xFF, -1})
        EXPECT_FALSE(MeasurementOf(config, 520).has_value()) << std::hex << config;
    // Every byte of the catalogue's name table is a measurement.
    for (int config : {0x00, 0x01, 0x02, 0x0C, 0x0D, 0x0E, 0x10, 0x1E, 0x20, 0x2C, 0x2F, 0x3F,
                       0x40, 0x50, 0x51, 0x54, 0x55, 0x5C, 0x5D, 0x60, 0x70, 0x7C, 0x7F})
        EXPECT_TRUE(MeasurementOf(config, 1520).has_value()) << std::hex << config;
}

TEST(SimInstrument, PlantValuesStayInsideTheirAutoRange) {
    for (int config : {0x0C, 0x0E, 0x1C, 0x1E, 0x2F, 0x3F, 0x40, 0x5C, 0x60, 0x7F}) {
        const auto m = MeasurementOf(config, 520);
        ASSERT_TRUE(m.has_value());
        for (double t = 0; t < 240; t += 7.5) {
            const std::string text = ReadingText(*m, PlantValue(m->quantity, m->input, t));
            EXPECT_EQ(text.size(), 6u) << text;
            EXPECT_EQ(text.find("9999"), std::string::npos) << std::hex << config << " " << text;
        }
    }
    // The default module (00h: current, top range) reads 11..13 A, whole amperes on that range.
    for (double t = 0; t < 240; t += 0.5)
        EXPECT_NEAR(PlantValue(0, 0, t), 12.34, 1.0) << t;
    // A DC current swings through zero, so both signs occur.
    bool negative = false, positive = false;
    for (double t = 0; t < 120; t += 1) {
        const double v = PlantValue(0, 2, t);
        negative |= v < 0;
        positive |= v > 0;
    }
    EXPECT_TRUE(negative && positive);
}

}  // namespace
}  // namespace qx::sim
