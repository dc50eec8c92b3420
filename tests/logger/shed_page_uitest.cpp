#include "logger/ui/shed_page.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <iterator>

#include "common/ui/control_color.h"
#include "link/core/comm_port.h"
#include "logger/core/schedule_file.h"
#include "measure/ui/session.h"
#include "tests/app/qt_test_app.h"
#include "tests/support/ui/scripted_prompt.h"

namespace qx {
namespace {

class ShedPageTest : public ::testing::Test {
  protected:
    QRadioButton* Radio(int n) { return page_.MShedIndex->findChildren<QRadioButton*>().at(n); }
    std::string FileBytes() {
        std::ifstream in(dir_.filePath("ROZVRH.QX").toStdString(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    QApplication& app_ = test::TestApp();  // before any widget
    QTemporaryDir dir_;
    QWidget window_;
    TCommPort link_{PortPaths{}};
    Session session_{link_, window_};
    ShedPage page_{session_};
    test::ScriptedPrompt prompt_;
};

TEST_F(ShedPageTest, FirstStartShowsTheDefaultsInEnabledColouredControls) {
    EXPECT_FALSE(page_.MShedDate->isEnabled());
    EXPECT_FALSE(page_.MShedIndex->isEnabled());
    EXPECT_TRUE(page_.MShedAlloff->isEnabled());

    ASSERT_TRUE(page_.ShedRead(dir_.path()));
    ASSERT_TRUE(page_.ShedShow(0));
    EXPECT_TRUE(page_.MShedAlloff->isChecked());
    EXPECT_FALSE(page_.MShedRewrite->isChecked());
    EXPECT_FALSE(page_.MShedActive->isChecked());
    EXPECT_EQ(page_.MShedSelect->currentIndex(), 0);
    EXPECT_EQ(page_.MShedSelect->currentText(), QStringLiteral("Proud  [A]"));
    EXPECT_EQ(page_.MShedRange->itemText(0), QStringLiteral("2000/1000"));
    const QStringList texts{page_.MShedDate->text(),  page_.MShedTime->text(),
                            page_.MShedInter->text(), page_.MShedHigh->text(),
                            page_.MShedLow->text(),   page_.MShedLimit->text()};
    EXPECT_EQ(texts, (QStringList{"0.0.", "0:0", "1:00", "+9999", "-9999", "0:10"}));
    EXPECT_EQ(ControlColor(page_.MShedSelect), kAqua);
    EXPECT_EQ(ControlColor(page_.MShedTime), kWhite);
    EXPECT_EQ(ControlColor(page_.MShedLimit), QColor(255, 0, 255));
    EXPECT_TRUE(page_.MShedLimit->isEnabled());

    // Nothing changed: the file written at exit is the known default file.
    ASSERT_TRUE(page_.ShedWrite(dir_.path()));
    std::string expected = "0;1\r\n";
    for (int n = 0; n < 8; ++n)
        expected += "0;0;0;0;0.0.;0:0;1:00;+9999;-9999;0:10;\r\n";
    EXPECT_EQ(FileBytes(), expected);
}

TEST_F(ShedPageTest, SwitchingIndexKeepsTheEditsAndShowsTheOtherEntry) {
    page_.ShedRead(dir_.path());
    page_.ShedShow(0);
    page_.MShedActive->setChecked(true);
    page_.MShedDate->setText(QStringLiteral(" 24.12. "));
    page_.MShedSelect->setCurrentIndex(5);  // frequency: its own ranges and inputs
    EXPECT_EQ(page_.MShedRange->count(), 3);
    page_.MShedRange->setCurrentIndex(2);
    page_.MShedInput->setCurrentIndex(1);

    Radio(0)->click();  // the shown index: nothing changes
    EXPECT_EQ(page_.MShedDate->text(), QStringLiteral(" 24.12. "));
    Radio(1)->click();
    EXPECT_EQ(page_.ShownIndex(), 1);
    EXPECT_EQ(page_.MShedDate->text(), QStringLiteral("0.0."));
    EXPECT_FALSE(page_.MShedActive->isChecked());

    Radio(0)->click();
    EXPECT_EQ(page_.MShedDate->text(), QStringLiteral(" 24.12. "));
    EXPECT_TRUE(page_.MShedActive->isChecked());
    EXPECT_EQ(page_.MShedSelect->currentIndex(), 5);
    EXPECT_EQ(page_.MShedRange->currentIndex(), 2);
    EXPECT_EQ(page_.MShedInput->currentIndex(), 1);

    page_.MShedAlloff->setChecked(false);
    ASSERT_TRUE(page_.ShedWrite(dir_.path()));
    Schedule back;
    ASSERT_TRUE(ReadScheduleFile(dir_.path().toStdString(), back));
    EXPECT_FALSE(back.allOff);
    EXPECT_EQ(back.entries[0],
              (ShedEntry{true, 5, 2, 1, " 24.12. ", "0:0", "1:00", "+9999", "-9999", "0:10"}));
}

TEST_F(ShedPageTest, UnwritableFileIsReportedAndTheProgramGoesOn) {
    page_.ShedRead(dir_.path());
    EXPECT_TRUE(page_.ShedWrite(dir_.filePath("missing")));
    ASSERT_EQ(prompt_.MessageCount(), 1);
    EXPECT_EQ(prompt_.Log()[0].text, QStringLiteral("Nelze otevřít soubor ROZVRH.QX !"));
    EXPECT_EQ(prompt_.Log()[0].caption, QStringLiteral("TMForm::ShedWrite()"));

    ShedPage fresh(session_);
    EXPECT_FALSE(fresh.ShedWrite(dir_.path()));  // no table yet
    EXPECT_FALSE(fresh.ShedShow(0));
    EXPECT_FALSE(page_.ShedShow(8));
}

}  // namespace
}  // namespace qx
