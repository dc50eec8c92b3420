#include "measure/ui/online_page.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <array>

#include "measure/ui/on_view_widget.h"

namespace qx {
namespace {

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

class OnlinePageTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "online_page_uitest";
        static char* argv[] = {name, nullptr};
        if (QApplication::instance() == nullptr) app_ = new QApplication(argc, argv);
    }

    OnlinePageTest() {
        StationRecord& s = stations_[7];
        s.state = 2;
        s.moduleModel = 1001;
        s.instrumentModel = 1520;
        s.config = 0x5D;
        page_.SetSelectedAddress(7);
    }

    StationAccess Access() {
        return {[this](int a) { return stations_[a & 0xFF]; },
                [this](int a, int config, bool clearValue) {
                    stations_[a & 0xFF].config = config;
                    if (clearValue) stations_[a & 0xFF].value = kNoValue;
                    ++writes_;
                }};
    }

    static QApplication* app_;
    std::array<StationRecord, 256> stations_{};
    int writes_ = 0;
    ModelsInUse models_;
    TOnlinePage page_{&models_, Access()};
};

QApplication* OnlinePageTest::app_ = nullptr;

TEST_F(OnlinePageTest, StartsWithDisabledGreyLists) {
    for (const char* name : {"MOnSelect", "MOnRange", "MOnInput"}) {
        auto* box = page_.findChild<QComboBox*>(name);
        ASSERT_NE(box, nullptr) << name;
        EXPECT_FALSE(box->isEnabled());
        EXPECT_EQ(box->count(), 0);
        EXPECT_EQ(box->palette().color(QPalette::Base), QColor(0xF0, 0xF0, 0xF0));
    }
    EXPECT_FALSE(page_.findChild<QPushButton*>("MOnClear")->isEnabled());
    EXPECT_EQ(page_.findChild<QPushButton*>("MOnStart")->text(), "Soubor:  Start  >>");
}

TEST_F(OnlinePageTest, ConfigurationKnownFillsListsAndQuantityChangeWritesTheStation) {
    page_.StationChanged(7, false);  // adopts 1001/1520: full input set
    EXPECT_TRUE(page_.MOnClear->isEnabled());
    EXPECT_TRUE(page_.MOnStart->isEnabled());
    page_.ConfigKnown(7);
    EXPECT_EQ(page_.MOnSelect->currentText(), "Kmitočet [Hz]");
    EXPECT_EQ(Items(page_.MOnRange), (QStringList{"3999", "399.9", "AUTO"}));
    EXPECT_EQ(page_.MOnRange->currentIndex(), 2);
    EXPECT_EQ(page_.MOnInput->currentText(), "Napětí");
    EXPECT_EQ(page_.MOnInput->palette().color(QPalette::Base), QColor(0, 255, 255));
    EXPECT_EQ(writes_, 0);

    stations_[7].value = 12.0;
    EXPECT_TRUE(page_.ValueArrived(7));
    page_.MOnSelect->setCurrentIndex(1);
    page_.MOnSelectChange();
    // Voltage; the range (AUTO, item 2) and input ("Napětí", item 1) items carry over: R1, AC.
    EXPECT_EQ(stations_[7].config, 0x19);
    EXPECT_EQ(stations_[7].value, kNoValue);
    EXPECT_EQ(Items(page_.MOnInput), (QStringList{"AC+DC", "AC", "DC"}));
    EXPECT_EQ(page_.Model().Stats().Average(), kNoValue);

    page_.MOnInput->setCurrentIndex(2);
    page_.MOnRangeChange();
    EXPECT_EQ(stations_[7].config, 0x1A);
    EXPECT_EQ(writes_, 2);
}

TEST_F(OnlinePageTest, InvalidByteIsReplacedInTheStation) {
    stations_[7].config = 0xC3;
    page_.ConfigKnown(7);
    EXPECT_EQ(stations_[7].config, 0x00);
    EXPECT_EQ(page_.MOnSelect->currentText(), "Proud  [A]");
    EXPECT_EQ(page_.MOnInput->currentText(), "AC+DC");
}

TEST_F(OnlinePageTest, ViewPaintsTheBarForTheLiveValue) {
    stations_[7].config = 0x14;  // voltage, range "399.9": full scale 400
    page_.ConfigKnown(7);
    stations_[7].value = 200.0;
    page_.ValueArrived(7);
    const QImage image = page_.MOnView->grab().toImage();
    // Bar from x = 10 to trunc(243 * 0.5 + 10) = 131, rows 180..184.
    EXPECT_EQ(image.pixelColor(20, 182), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(130, 182), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(140, 182), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(150, 70), QColor(0, 0, 0));  // rule under Max/Avg/Min
}

}  // namespace
}  // namespace qx
