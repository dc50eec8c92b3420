#include "measure/ui/online_page.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "measure/ui/on_view_widget.h"
#include "tests/support/file_size_limit.h"

// Fontconfig keeps a cache for the life of the process; the leak checker would report it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

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
    static void TearDownTestSuite() {
        delete app_;
        app_ = nullptr;
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

    RecordingPrompts Prompts() {
        return {[this] { return chosenFile_; },
                [this](const std::string& text, const std::string& caption) {
                    warnings_.push_back(caption + ": " + text);
                },
                [this](const std::string& text, const std::string& caption) {
                    questions_.push_back(caption + ": " + text);
                    return answer_;
                }};
    }

    static QApplication* app_;
    std::array<StationRecord, 256> stations_{};
    int writes_ = 0;
    std::string chosenFile_;
    std::vector<std::string> warnings_;
    std::vector<std::string> questions_;
    bool answer_ = false;
    LocalTime now_{2026, 12, 7, 10, 15, 31, 0};
    ModelsInUse models_;
    OnlinePage page_{&models_, Access(), Prompts(), [this] { return now_; }};
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
    page_.StationChanged(7);  // adopts 1001/1520: full input set
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
    page_.ValueArrived(7, 100);
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
    page_.ValueArrived(7, 100);
    const QImage image = page_.MOnView->grab().toImage();
    // Bar from x = 10 to trunc(243 * 0.5 + 10) = 131, rows 180..184.
    EXPECT_EQ(image.pixelColor(20, 182), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(130, 182), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(140, 182), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(150, 70), QColor(0, 0, 0));  // rule under Max/Avg/Min

    // Twice the room: the same picture, twice as large.
    page_.MOnPanel->resize(543, 392);
    page_.MOnView->resize(540, 384);
    EXPECT_EQ(page_.MOnView->Scale(), 2.0);
    const QImage large = page_.MOnView->grab().toImage();
    EXPECT_EQ(large.pixelColor(260, 364), QColor(0, 0, 0));  // bar end trunc(242 * 0.5 + 10)
    EXPECT_EQ(large.pixelColor(280, 364), QColor(0, 255, 0));
    EXPECT_EQ(large.pixelColor(300, 140), QColor(0, 0, 0));  // rule under Max/Avg/Min
    page_.MOnPanel->resize(273, 196);
    page_.MOnView->resize(270, 192);

    // The module falls silent: its last value is no longer shown, nor when it is identified
    // again, until a new value comes.
    auto liveText = [this] {
        const DisplayList list = page_.MOnView->Build();
        for (const DisplayItem& item : list.Items()) {
            if (item.kind == DisplayItem::Kind::Text && item.text.font.size == 20)
                return item.text.text;
        }
        return std::string();
    };
    EXPECT_EQ(liveText(), "200.0  V");
    stations_[7].state = 0;
    page_.StationChanged(7);
    EXPECT_EQ(liveText(), "(?)");
    EXPECT_EQ(page_.MOnView->grab().toImage().pixelColor(20, 182), QColor(0, 255, 0));
    stations_[7].state = 2;
    page_.StationChanged(7);
    EXPECT_EQ(liveText(), "(?)");
    page_.ValueArrived(7, 101);
    EXPECT_EQ(liveText(), "200.0  V");
    page_.SetPortLost("/dev/ttyUSB7");
    EXPECT_EQ(liveText(), "(?)");
    EXPECT_EQ(page_.MOnView->toolTip(), "odpojeno, čeká se na připojení: /dev/ttyUSB7");
    page_.SetPortLost("");
    EXPECT_EQ(liveText(), "(?)");  // the value from before the loss stays away
    EXPECT_TRUE(page_.MOnView->toolTip().isEmpty());
}

}  // namespace
}  // namespace qx

namespace qx {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool ViewShows(OnlinePage& page, const std::string& text) {
    const DisplayList list = page.MOnView->Build();
    for (const DisplayItem& item : list.Items()) {
        if (item.kind == DisplayItem::Kind::Text && item.text.text == text) return true;
    }
    return false;
}

TEST_F(OnlinePageTest, RecordingWritesEveryAddressAndCountsLines) {
    chosenFile_ = ::testing::TempDir() + "online_page_" + std::to_string(::getpid()) + ".PRN";
    QString caption = "unset";
    QObject::connect(&page_, &OnlinePage::CaptionChanged,
                     [&caption](const QString& text) { caption = text; });
    page_.StationChanged(7);
    page_.MOnStartClick();
    EXPECT_TRUE(page_.Recording());
    EXPECT_EQ(caption.toStdString(), chosenFile_);
    EXPECT_FALSE(page_.MOnStart->isEnabled());
    EXPECT_TRUE(page_.MOnStop->isEnabled());

    stations_[7].value = 12.5;
    stations_[7].config = 0x14;
    page_.ValueArrived(7, 10 * 36000 + 15 * 600 + 304);  // 10:15:30.4, handled at 10:15:31.0
    stations_[9].value = 9999;
    stations_[9].sign = 1;
    stations_[9].config = 0x2F;
    page_.ValueArrived(9, 10 * 36000 + 15 * 600 + 305);  // another address: recorded, not shown
    page_.ValueArrived(9, 10 * 36000 + 15 * 600 + 305);  // same tenth again: dropped
    stations_[9].value = kNoValue;
    page_.ValueArrived(9, 10 * 36000 + 15 * 600 + 306);  // no value: not recorded
    EXPECT_EQ(page_.Model().Stats().Maximum(), 12.5);
    EXPECT_TRUE(ViewShows(page_, "(2  záznamů)"));

    page_.MOnStopClick();
    EXPECT_FALSE(page_.Recording());
    EXPECT_TRUE(caption.isEmpty());
    EXPECT_TRUE(ViewShows(page_, "QX1"));
    EXPECT_TRUE(page_.MOnStart->isEnabled());
    EXPECT_FALSE(page_.MOnStop->isEnabled());
    EXPECT_EQ(ReadAll(chosenFile_),
              "0x07\t0x14\t12,50\t0\t07.12.2026\t10:15:30 4\r\n"
              "0x09\t0x2F\t+9999\t1\t07.12.2026\t10:15:30 5\r\n");
    EXPECT_TRUE(warnings_.empty());
    std::remove(chosenFile_.c_str());
}

// A file that holds lines is emptied only after the download's question is answered "Ano"; an
// empty one is used without a word.
TEST_F(OnlinePageTest, RecordingOntoAFileThatHoldsLinesAsksFirst) {
    chosenFile_ = ::testing::TempDir() + "asked-" + std::to_string(::getpid()) + ".PRN";
    std::ofstream(chosenFile_, std::ios::binary) << "STARY RADEK\r\n";
    page_.StationChanged(7);
    page_.MOnStartClick();
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0], "TMForm::MOnStartClick(): Soubor  " + chosenFile_ +
                                 "  již existuje. Mám jej přepsat ?");
    EXPECT_FALSE(page_.Recording());
    EXPECT_TRUE(page_.MOnStart->isEnabled());
    EXPECT_EQ(ReadAll(chosenFile_), "STARY RADEK\r\n");

    answer_ = true;
    page_.MOnStartClick();
    EXPECT_EQ(questions_.size(), 2u);
    EXPECT_TRUE(page_.Recording());
    EXPECT_EQ(ReadAll(chosenFile_), "");
    page_.MOnStopClick();
    page_.MOnStartClick();  // now empty: no question
    EXPECT_EQ(questions_.size(), 2u);
    EXPECT_TRUE(page_.Recording());
    page_.MOnStopClick();
    std::remove(chosenFile_.c_str());
}

TEST_F(OnlinePageTest, FileThatCannotBeCreatedIsReportedAndRecordingStaysStarted) {
    chosenFile_ = "/nonexistent-dir/x.PRN";
    page_.MOnStartClick();
    ASSERT_EQ(warnings_.size(), 1u);
    EXPECT_EQ(warnings_[0], "TMForm::OpenFile(): Nelze otevřít soubor /nonexistent-dir/x.PRN !");
    EXPECT_TRUE(page_.Recording());
    EXPECT_TRUE(page_.MOnStop->isEnabled());
    chosenFile_.clear();  // a second start while recording asks nothing
    page_.MOnStartClick();
    EXPECT_EQ(page_.RecordingFileName(), "/nonexistent-dir/x.PRN");
}

TEST_F(OnlinePageTest, WriteErrorIsReportedOnceAndStopsTheRecording) {
    chosenFile_ = ::testing::TempDir() + "full-" + std::to_string(::getpid()) + ".PRN";
    page_.StationChanged(7);
    page_.MOnStartClick();
    ASSERT_TRUE(warnings_.empty());
    stations_[7].value = 1.0;
    {
        test::FileSizeLimit noRoom(0);  // every write fails
        page_.ValueArrived(7, 100);
        page_.ValueArrived(7, 101);
    }
    ASSERT_EQ(warnings_.size(), 1u);
    EXPECT_EQ(warnings_[0].rfind("TMForm::WriteRecord(): ", 0), 0u);
    EXPECT_FALSE(page_.Recording());
    EXPECT_TRUE(page_.MOnStart->isEnabled());
    EXPECT_EQ(page_.Model().Stats().Average(), 1.0);  // the statistics go on
    std::remove(chosenFile_.c_str());
}

}  // namespace
}  // namespace qx
