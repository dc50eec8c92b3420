// The shared progress dialog: the log, the 16-bit bar, and the button that cancels or closes.

#include <gtest/gtest.h>

#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "common/ui/tminfo_form.h"
#include "qt_test_app.h"

namespace qx {
namespace {

struct WithApp {
    WithApp() { test::TestApp(); }
};

class InfoFormTest : public ::testing::Test, private WithApp {
  protected:
    TMInfoForm form;
};

TEST_F(InfoFormTest, OpenStartsAfreshAndShows) {
    form.Open(QStringLiteral("Zápis rozvrhu do QX"), 9);
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Zápis rozvrhu do QX"));
    EXPECT_EQ(form.MCancel->text(), QStringLiteral("Storno"));
    EXPECT_TRUE(form.Lines().isEmpty());
    EXPECT_EQ(form.Position(), 0);
    EXPECT_EQ(form.Maximum(), 9);
    EXPECT_EQ(form.MBar->maximum(), 9);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(form.isModal());
}

TEST_F(InfoFormTest, AddLineAndAppendFollowTheirArguments) {
    form.Open(QStringLiteral("T"), 100);
    form.AddLine(QString(), 5);  // position only: no line
    EXPECT_TRUE(form.Lines().isEmpty());
    EXPECT_EQ(form.Position(), 5);
    EXPECT_EQ(form.MBar->value(), 5);

    form.AddLine(QStringLiteral("Krok 1"), -1, -1);
    EXPECT_EQ(form.Lines(), QStringList{QStringLiteral("Krok 1")});
    EXPECT_EQ(form.Position(), 5);
    EXPECT_EQ(form.Maximum(), 100);

    form.Append(QStringLiteral("  -->  OK"));
    form.AddLine(QStringLiteral(""), 7, 20);  // an empty text is still a line
    EXPECT_EQ(form.Lines(), (QStringList{QStringLiteral("Krok 1  -->  OK"), QString()}));
    EXPECT_EQ(form.Position(), 7);
    EXPECT_EQ(form.Maximum(), 20);
}

// A long read logs hundreds of thousands of lines; the memo keeps the last thousand, also of a
// batch handed over at once.
TEST_F(InfoFormTest, TheMemoKeepsTheLastThousandLines) {
    form.Open(QStringLiteral("T"), 100);
    QStringList batch;
    for (int i = 1; i <= 1500; ++i)
        batch << QString::number(i);
    form.AddLine(batch.join(QLatin1Char('\n')));
    QStringList lines = form.Lines();
    ASSERT_EQ(lines.size(), 1000);
    EXPECT_EQ(lines.front(), QStringLiteral("501"));
    EXPECT_EQ(lines.back(), QStringLiteral("1500"));
    form.AddLine(QStringLiteral("a\nb"));
    lines = form.Lines();
    ASSERT_EQ(lines.size(), 1000);
    EXPECT_EQ(lines.front(), QStringLiteral("503"));
    EXPECT_EQ(lines.back(), QStringLiteral("b"));
}

TEST_F(InfoFormTest, BarValuesAreUnsigned16Bit) {
    form.Open(QStringLiteral("T"), 65536 + 300);
    EXPECT_EQ(form.Maximum(), 300);
    form.AddLine(QString(), 65536 + 5, 65536 * 2 + 7);
    EXPECT_EQ(form.Position(), 5);
    EXPECT_EQ(form.Maximum(), 7);
    EXPECT_EQ(form.MBar->value(), 5);
    EXPECT_EQ(form.MBar->maximum(), 7);
    // A position above the maximum is kept; the bar shows it full.
    form.AddLine(QString(), 65535, -1);
    EXPECT_EQ(form.Position(), 65535);
    EXPECT_EQ(form.MBar->value(), 7);
}

TEST_F(InfoFormTest, EscapeAndEnterCancelLikeTheButton) {
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        for (QWidget* target :
             {static_cast<QWidget*>(&form), static_cast<QWidget*>(form.MCancel)}) {
            form.Open(QStringLiteral("T"), 10);
            QTest::keyClick(target, key);
            EXPECT_FALSE(form.Visible()) << "key " << key;
        }
    }
}

TEST_F(InfoFormTest, StepDeliversTheCancelClickAndReportsIt) {
    form.Open(QStringLiteral("T"), 10);
    EXPECT_TRUE(form.Step());
    QMetaObject::invokeMethod(form.MCancel, &QPushButton::click, Qt::QueuedConnection);
    EXPECT_TRUE(form.Visible());  // not yet delivered
    EXPECT_FALSE(form.Step());
}

TEST_F(InfoFormTest, FinishKeepsTheLogForOkAndNextOpenIsEmpty) {
    form.Open(QStringLiteral("T"), 3);
    form.AddLine(QStringLiteral("KONEC"), 3);
    form.Finish(true);
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(form.MCancel->text(), QStringLiteral("OK"));
    EXPECT_EQ(form.Lines(), QStringList{QStringLiteral("KONEC")});
    QTest::mouseClick(form.MCancel, Qt::LeftButton);
    EXPECT_FALSE(form.Visible());

    form.Open(QStringLiteral("Další"), 5);
    EXPECT_TRUE(form.Lines().isEmpty());
    EXPECT_EQ(form.MCancel->text(), QStringLiteral("Storno"));

    form.Finish(false);
    EXPECT_FALSE(form.Visible());
}

TEST_F(InfoFormTest, OpenOnAShownDialogClearsIt) {
    form.Open(QStringLiteral("A"), 3);
    form.AddLine(QStringLiteral("x"), 2);
    form.Open(QStringLiteral("B"), 4);
    EXPECT_TRUE(form.Lines().isEmpty());
    EXPECT_EQ(form.Position(), 0);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("B"));
}

}  // namespace
}  // namespace qx
