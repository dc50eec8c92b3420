#include "measure/core/online_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "measure/core/station_status.h"
#include "measure/core/text_format.h"

namespace qx {
namespace {

std::string Text(double value, int sign = 0, int quantity = 0) {
    char buf[kTextBufferSize];
    return ValueText(buf, value, sign, quantity, -1, -1);
}

StationRecord Station(double value, int sign = 0) {
    StationRecord s;
    s.state = 2;
    s.moduleModel = 1001;
    s.instrumentModel = 1520;
    s.config = 0x00;
    s.value = value;
    s.sign = sign;
    return s;
}

class OnlineModelTest : public ::testing::Test {
  protected:
    OnlineModelTest() { model_.SetSelectedAddress(5); }
    ModelsInUse models_;
    OnlineModel model_{&models_};
};

TEST_F(OnlineModelTest, AfterResetEverythingReadsNoValue) {
    const OnlineStats& s = model_.Stats();
    EXPECT_EQ(Text(s.Maximum()), "(?)");
    EXPECT_EQ(Text(s.Minimum()), "(?)");
    EXPECT_EQ(Text(s.Average()), "(?)");
    for (int i = 0; i < OnlineStats::kHistory; ++i)
        EXPECT_EQ(Text(s.History(i)), "(?)");
}

TEST_F(OnlineModelTest, FirstValueSetsMinimumMaximumAndAverage) {
    EXPECT_TRUE(model_.OnValue(5, Station(-3.25, 2)));
    const OnlineStats& s = model_.Stats();
    EXPECT_EQ(s.Maximum(), -3.25);
    EXPECT_EQ(s.Minimum(), -3.25);
    EXPECT_EQ(s.Average(), -3.25);
    EXPECT_EQ(s.MaximumSign(), 2);
    EXPECT_EQ(s.MinimumSign(), 2);
    EXPECT_EQ(s.LastSign(), 2);
    EXPECT_EQ(s.History(9), -3.25);
    EXPECT_EQ(Text(s.History(8)), "(?)");
}

TEST_F(OnlineModelTest, AverageRunsOverTheLastTenAndSkipsOverloads) {
    for (int v = 1; v <= 12; ++v)
        model_.OnValue(5, Station(v, 1));
    const OnlineStats& s = model_.Stats();
    EXPECT_DOUBLE_EQ(s.Average(), 7.5);  // 3..12
    EXPECT_EQ(s.Minimum(), 1);
    EXPECT_EQ(s.Maximum(), 12);
    EXPECT_EQ(s.History(0), 3);
    model_.OnValue(5, Station(9999, 1));
    model_.OnValue(5, Station(-9999, 2));
    EXPECT_DOUBLE_EQ(s.Average(), (5 + 6 + 7 + 8 + 9 + 10 + 11 + 12) / 8.0);
    EXPECT_EQ(s.Maximum(), 12);
    EXPECT_EQ(Text(s.History(8)), "OL  ");
    EXPECT_EQ(Text(s.History(9)), "LLLL");
}

TEST_F(OnlineModelTest, TenOverloadsClearTheAverageButKeepMinimumAndMaximum) {
    model_.OnValue(5, Station(4.0));
    model_.OnValue(5, Station(2.0));
    for (int i = 0; i < 10; ++i)
        model_.OnValue(5, Station(i % 2 ? 9999.0 : -9999.0));
    const OnlineStats& s = model_.Stats();
    EXPECT_EQ(Text(s.Average()), "(?)");
    EXPECT_EQ(s.Minimum(), 2.0);
    EXPECT_EQ(s.Maximum(), 4.0);
}

TEST_F(OnlineModelTest, NoValueIsNeitherRecordedNorCounted) {
    model_.OnValue(5, Station(1.5));
    EXPECT_FALSE(model_.OnValue(5, Station(kNoValue)));
    EXPECT_FALSE(model_.OnValue(5, Station(-kNoValue)));
    EXPECT_FALSE(model_.OnValue(5, Station(std::nan(""))));
    EXPECT_EQ(model_.Stats().History(9), 1.5);
    EXPECT_EQ(Text(model_.Stats().History(8)), "(?)");
}

TEST_F(OnlineModelTest, ClearKeepsHistoryAndAverage) {
    model_.OnValue(5, Station(2.0));
    model_.OnValue(5, Station(4.0));
    model_.OnClear();
    const OnlineStats& s = model_.Stats();
    EXPECT_EQ(s.Average(), 3.0);
    EXPECT_EQ(Text(s.Minimum()), "(?)");
    EXPECT_EQ(Text(s.Maximum()), "(?)");
    model_.OnValue(5, Station(3.5));
    EXPECT_EQ(s.Minimum(), 3.5);
    EXPECT_EQ(s.Maximum(), 3.5);
    EXPECT_EQ(s.Average(), 9.5 / 3);
}

TEST_F(OnlineModelTest, AnotherAddressIsRecordedButNotShown) {
    model_.OnValue(5, Station(1.0));
    EXPECT_TRUE(model_.OnValue(6, Station(7.0)));
    EXPECT_EQ(model_.Stats().Maximum(), 1.0);
    EXPECT_EQ(model_.Stats().History(9), 1.0);
    // Choosing another address keeps the statistics.
    model_.SetSelectedAddress(6);
    EXPECT_EQ(model_.Stats().Average(), 1.0);
}

TEST_F(OnlineModelTest, InvalidConfigurationIsReplacedByTheFirstChoice) {
    StationRecord s = Station(1.0);
    s.config = 0x9A;
    EXPECT_EQ(model_.OnConfigKnown(5, s), 0x00);
    EXPECT_EQ(model_.Codes(), (ConfigCodes{0, 0, 0}));
    EXPECT_EQ(model_.QuantityList().items.at(model_.QuantityList().selected), "Proud  [A]");
    EXPECT_EQ(model_.InputList().items.at(model_.InputList().selected), "AC+DC");
    EXPECT_EQ(models_.InstrumentModel(), 1520);
}

TEST_F(OnlineModelTest, ConfigurationKnownFillsTheListsAndKeepsStatistics) {
    model_.OnValue(5, Station(1.0));
    StationRecord s = Station(1.0);
    s.config = 0x5D;
    EXPECT_EQ(model_.OnConfigKnown(5, s), std::nullopt);
    EXPECT_EQ(model_.Codes(), (ConfigCodes{5, 2, 1}));
    EXPECT_EQ(model_.RangeList(s.instrumentModel).items.at(2), "AUTO");
    EXPECT_EQ(model_.Stats().Average(), 1.0);
    s.config = 0x10;
    EXPECT_EQ(model_.OnConfigKnown(4, s), std::nullopt);  // not the selected address
    EXPECT_EQ(model_.Codes(), (ConfigCodes{5, 2, 1}));
}

TEST_F(OnlineModelTest, QuantityChangeResetsStatisticsAndRewrapsRangeAndInput) {
    models_.SetModuleModel(1001);
    models_.SetInstrumentModel(1520);
    model_.OnValue(5, Station(1.0));
    // From current, range 3 (AUTO), input 2 (DC) to frequency: range wraps to 0, input to 0.
    EXPECT_EQ(model_.OnRangeChange(0, 3, 2), 0x0E);
    EXPECT_EQ(model_.OnSelectChange(5, 3, 2, 1520), 0x50);
    EXPECT_EQ(model_.Codes(), (ConfigCodes{5, 0, 0}));
    EXPECT_EQ(Text(model_.Stats().Average()), "(?)");
    EXPECT_EQ(Text(model_.Stats().History(9)), "(?)");
    // Power factor has neither ranges nor inputs.
    EXPECT_EQ(model_.OnSelectChange(4, 0, 0, 1520), 0x40);
    EXPECT_EQ(model_.Codes(), (ConfigCodes{4, -1, -1}));
    // Choosing the quantity shown again changes nothing.
    EXPECT_EQ(model_.OnSelectChange(4, 0, 0, 1520), std::nullopt);
    EXPECT_EQ(model_.OnSelectChange(-1, 0, 0, 1520), std::nullopt);
}

TEST_F(OnlineModelTest, InputChangeSendsANewByteButKeepsStatistics) {
    model_.OnValue(5, Station(2.5));
    EXPECT_EQ(model_.OnRangeChange(0, 0, 0), std::nullopt);
    EXPECT_EQ(model_.OnRangeChange(0, 0, 1), 0x02);  // "DC" of the two-item list
    EXPECT_EQ(model_.Codes(), (ConfigCodes{0, 0, 1}));
    EXPECT_EQ(model_.Stats().Average(), 2.5);
    EXPECT_EQ(model_.Stats().Maximum(), 2.5);
}

TEST(StationStatus, TextsColoursAndModelsInUse) {
    ModelsInUse models;
    StationRecord s;
    StationStatus status = StationStatusOf(s);
    EXPECT_EQ(SetupStatusCaption(status), "  Status:    QX???    WZ???");
    EXPECT_EQ(status.moduleColor, colors::kRed);
    EXPECT_EQ(status.instrumentColor, colors::kRed);

    s.state = 1;
    s.moduleModel = 1001;
    s.instrumentModel = 1520;
    status = StationStatusOf(s);
    EXPECT_EQ(SetupStatusCaption(status), "  Status:    QX1    WZ???");
    EXPECT_EQ(status.moduleColor, colors::kBlack);
    AdoptModels(s, &models);
    EXPECT_EQ(models.ModuleModel(), 1001);
    EXPECT_EQ(models.InstrumentModel(), 0);
    EXPECT_FALSE(models.FullInputSet());

    s.state = 2;
    status = StationStatusOf(s);
    EXPECT_EQ(status.instrumentText, "WZ520");
    EXPECT_EQ(status.instrumentColor, colors::kBlack);
    AdoptModels(s, &models);
    EXPECT_TRUE(models.FullInputSet());

    s.moduleModel = 1000;
    EXPECT_EQ(StationStatusOf(s).moduleText, "QX1000");
}

// 6 pixels per byte, whatever the font: a multi-byte character is wider than "…" per byte.
int ByteWidth(std::string_view text, const Font&) {
    return static_cast<int>(text.size()) * 6;
}

TEST(StationStatus, LostPortPutsTheStateFirstAndShortensTheDeviceInTheMiddle) {
    const struct {
        std::string text;
        int room;  // pixels
        std::string shortened;
    } cases[] = {
        {"/dev/ttyUSB7", 72, "/dev/ttyUSB7"},  // fits exactly
        {"/dev/ttyUSB7", 71, "/dev…USB7"},     // the end gets the odd character
        {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0", 120, "/dev/ser…f00-port0"},
        {"čeká", 35, "…á"},  // never half a character
        {"abc", 10, "…"},
        {"", -5, ""},
    };
    const Font font;
    for (const auto& c : cases) {
        EXPECT_EQ(ShortenMiddle(c.text, c.room, font, ByteWidth), c.shortened)
            << c.text << " in " << c.room;
    }
    const std::string device = "/dev/ttyUSB7";
    EXPECT_EQ(LostPortCaption(device), "  Status:    odpojeno, čeká se na připojení: /dev/ttyUSB7");
    // The prefix takes 78 pixels, the state with ": " 216: room for 9 bytes of the device.
    EXPECT_EQ(LostPortCaption(device, 78 + 216 + 54, font, ByteWidth),
              "  Status:    odpojeno, čeká se na připojení: /de…SB7");
    EXPECT_EQ(LostPortCaption(device, 100, font, ByteWidth),
              "  Status:    odpojeno, čeká se na připojení");
    EXPECT_EQ(LostPortStatusText(device), "odpojeno, čeká se na připojení: /dev/ttyUSB7");
    EXPECT_EQ(LostPortStatusText(device, 216 + 18, font, ByteWidth),
              "odpojeno, čeká se na připojení");
}

TEST(StationStatus, EnablesFollowTheStationState) {
    StationRecord s;  // also what address 255 looks like after the poller stops
    StationEnables e = OnlineModel::EnablesFor(s);
    EXPECT_FALSE(e.clear || e.start || e.bus);
    s.state = 1;
    e = OnlineModel::EnablesFor(s);
    EXPECT_TRUE(e.bus);
    EXPECT_FALSE(e.clear || e.start);
    s.state = 2;
    e = OnlineModel::EnablesFor(s);
    EXPECT_TRUE(e.bus && e.clear && e.start);
}

}  // namespace
}  // namespace qx
