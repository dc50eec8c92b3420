#include "measure/core/catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "measure/core/models_in_use.h"

namespace qx {
namespace {

using Items = std::vector<std::string>;

TEST(Catalogue, QuantityAndUnitTexts) {
    const Items expected = {"Proud  [A]",    "Napětí  [V]",   "Výkon  [kW]",   "Výkon  [kVA]",
                            "Účiník  [cos]", "Kmitočet [Hz]", "Teplota  [°C]", "Odpor  [kohm]"};
    const Items units = {"A", "V", "kW", "kVA", "cos", "Hz", "°C", "kohm"};
    for (int q = 0; q < kQuantityCount; ++q) {
        EXPECT_EQ(QuantityText(q), expected[q]);
        EXPECT_EQ(UnitText(q), units[q]);
    }
    EXPECT_STREQ(QuantityText(8), "");
    EXPECT_STREQ(UnitText(-1), "");
}

// Encoding, naming and decoding the configuration byte are golden vectors:
// tests/golden/config_byte.txt.

TEST(Catalogue, InputBitsDependOnTheFullInputSet) {
    // 0Eh is DC in both cases: item 2 of the three-item list, item 1 of the two-item list.
    EXPECT_EQ(DecodeConfig(0x0E, true), (ConfigCodes{0, 3, 2}));
    EXPECT_EQ(DecodeConfig(0x0E, false), (ConfigCodes{0, 3, 1}));
    // Without the full set the AC bytes read as AC+DC and so encode back to the AC+DC byte.
    for (int b : {0x01, 0x05, 0x09, 0x0D, 0x11, 0x15, 0x19, 0x1D}) {
        const ConfigCodes c = DecodeConfig(b, false);
        EXPECT_EQ(c.input, 0) << b;
        EXPECT_EQ(EncodeConfig(c.quantity, c.range, c.input, false), b - 1) << b;
    }
}

TEST(Catalogue, EveryNamedByteSurvivesDecodeAndEncodeWithTheFullSet) {
    int named = 0;
    for (int b = 0; b < 256; ++b) {
        if (std::string(RangeName(b)) == "    ") continue;
        ++named;
        const ConfigCodes c = DecodeConfig(b, true);
        EXPECT_EQ(EncodeConfig(c.quantity, c.range, c.input, true), b) << b;
    }
    EXPECT_EQ(named, 24 + 15 + 6);
}

TEST(Catalogue, InvalidBytes) {
    for (int b : {0x80, 0xFF, -1, 256}) {
        EXPECT_EQ(DecodeConfig(b, true), (ConfigCodes{0, 0, -1})) << b;
        EXPECT_STREQ(RangeName(b), "    ") << b;
    }
    for (int b : {0x03, 0x21, 0x41, 0x52, 0x5E})
        EXPECT_STREQ(RangeName(b), "    ") << b;
    // Replacement for an invalid byte: quantity 0, range 0, input 0.
    EXPECT_EQ(EncodeConfig(0, 0, 0, false), 0x00);
    EXPECT_EQ(EncodeConfig(-1, 0, 0, true), -1);
    EXPECT_EQ(EncodeConfig(9, 0, 0, true), 0x90);
    // Codes beyond a list wrap like the lists do and never reach into the quantity nibble.
    EXPECT_EQ(EncodeConfig(0, 4, 0, true), 0x00);
    EXPECT_EQ(EncodeConfig(1, -1, -1, false), 0x10);
    EXPECT_EQ(EncodeConfig(5, 3, 0, false), 0x50);
}

TEST(Catalogue, FullInputSetNeedsBothModelsAbove1000) {
    EXPECT_FALSE(FullInputSet(1000, 1001));
    EXPECT_FALSE(FullInputSet(1520, 1000));
    EXPECT_TRUE(FullInputSet(1520, 1001));
    EXPECT_FALSE(FullInputSet(520, 1001));
    ModelsInUse models;
    EXPECT_FALSE(models.FullInputSet());
    models.SetInstrumentModel(1520);
    models.SetModuleModel(1001);
    EXPECT_EQ(models.EncodeConfig(0, 3, 1), 0x0D);
    EXPECT_EQ(models.DecodeConfig(0x0E), (ConfigCodes{0, 3, 2}));
    EXPECT_EQ(models.FillInput(1, 0).items, (Items{"AC+DC", "AC", "DC"}));
}

TEST(Catalogue, FillQuantity) {
    const ListFill none = FillQuantity(-1, nullptr);
    EXPECT_TRUE(none.items.empty());
    EXPECT_FALSE(none.enabled);
    EXPECT_EQ(none.selected, -1);
    EXPECT_EQ(none.color, colors::kButtonFace);

    const int counts[8] = {3, 0, 0, 0, 0, 12, 0, 0};
    const ListFill withCounts = FillQuantity(5, counts);
    EXPECT_TRUE(withCounts.enabled);
    EXPECT_EQ(withCounts.color, colors::kAqua);
    EXPECT_EQ(withCounts.selected, 5);
    ASSERT_EQ(withCounts.items.size(), 8u);
    EXPECT_EQ(withCounts.items[0], "Proud  [A]  #3");
    EXPECT_EQ(withCounts.items[1], "Napětí  [V]");
    EXPECT_EQ(withCounts.items[5], "Kmitočet [Hz]  #12");
    EXPECT_EQ(FillQuantity(2, nullptr).items[0], "Proud  [A]");
}

// Range lists: quantity, instrument model, range code → items and selected item.
struct RangeCase {
    int q, model, range;
    Items items;
    int selected;
};

TEST(Catalogue, FillRangeGoldenVectors) {
    const RangeCase cases[] = {
        {0, 0, 4, {"2000/1000", "399.9", "39.99", "AUTO"}, 0},
        {0, 520, 1, {"1000", "399.9", "39.99", "AUTO"}, 1},
        {2, 1525, -1, {"2000", "399.9", "39.99", "3.999", "AUTO"}, 0},
        {3, 1520, 9, {"1000", "399.9", "39.99", "3.999", "AUTO"}, 4},
        {1, 525, 3, {"1000", "399.9", "39.99", "AUTO"}, 3},
        {5, 525, 3, {"3999", "399.9", "AUTO"}, 0},
        {7, 0, 4, {"399.9", "39.99", "3.999", "0.3999", "AUTO"}, 4},
        {0, 777, 0, {"2000/1000", "399.9", "39.99", "AUTO"}, 0},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(c.q * 1000 + c.range);
        const ListFill fill = FillRange(c.q, c.model, c.range);
        EXPECT_EQ(fill.items, c.items);
        EXPECT_EQ(fill.selected, c.selected);
        EXPECT_TRUE(fill.enabled);
        EXPECT_EQ(fill.color, colors::kAqua);
    }
    for (int q : {4, 6, -1, 8}) {
        const ListFill fill = FillRange(q, 1520, 0);
        EXPECT_TRUE(fill.items.empty());
        EXPECT_FALSE(fill.enabled);
        EXPECT_EQ(fill.selected, -1);
        EXPECT_EQ(fill.color, colors::kButtonFace);
    }
}

TEST(Catalogue, FillInput) {
    EXPECT_EQ(FillInput(0, 2, true).items, (Items{"AC+DC", "AC", "DC"}));
    EXPECT_EQ(FillInput(0, 2, true).selected, 2);
    EXPECT_EQ(FillInput(1, 2, false).items, (Items{"AC+DC", "DC"}));
    EXPECT_EQ(FillInput(1, 2, false).selected, 0);  // wraps
    EXPECT_EQ(FillInput(5, -1, false).items, (Items{"Proud", "Napětí"}));
    EXPECT_EQ(FillInput(5, -1, false).selected, 0);
    for (int q : {2, 3, 4, 6, 7}) {
        const ListFill fill = FillInput(q, 0, true);
        EXPECT_TRUE(fill.items.empty());
        EXPECT_FALSE(fill.enabled);
        EXPECT_EQ(fill.selected, -1);
        EXPECT_EQ(fill.color, colors::kButtonFace);
    }
}

}  // namespace
}  // namespace qx
