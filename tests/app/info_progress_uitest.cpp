// The progress adapter: lines collected between event deliveries reach the
// dialog as the same log, and "Storno" is noticed at every step.

#include <gtest/gtest.h>

#include <QPushButton>
#include <chrono>

#include "common/ui/info_progress.h"
#include "common/ui/tminfo_form.h"
#include "tests/app/qt_test_app.h"

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace qx {
namespace {

using Time = std::chrono::steady_clock::time_point;

struct WithApp {
    WithApp() { test::TestApp(); }
};

class InfoProgressTest : public ::testing::Test, private WithApp {
  protected:
    TMInfoForm form_;
    Time now_{};
};

// The calls a table fill after a read makes, replayed through the adapter and straight into a
// second dialog: both logs, positions and maxima end up the same.
TEST_F(InfoProgressTest, CollectedLinesGiveTheSameLog) {
    TMInfoForm direct;
    direct.Open(QStringLiteral("Čtení dat ze souboru"), 300);
    InfoProgress progress(
        form_, [](int) {}, [this] { return now_; });
    progress.Open("Čtení dat ze souboru", 300);
    struct Call {
        const char* text;
        int position, maximum;
    };
    const Call calls[] = {{"Celkem 300  záznamů ", 300, -1},
                          {"", 0, 1000},
                          {"Čtení hodnot do tabulky", -1, -1},
                          {" 100  záznamů", 100, -1},
                          {" 200  záznamů", 200, -1}};
    for (const Call& c : calls) {
        progress.AddLine(c.text, c.position, c.maximum);
        direct.AddLine(QString::fromUtf8(c.text), c.position, c.maximum);
    }
    progress.ProcessEvents();  // within one frame time: nothing handed over yet
    EXPECT_TRUE(form_.Lines().isEmpty());
    now_ += InfoProgress::kHandOverInterval;
    progress.ProcessEvents();
    EXPECT_EQ(form_.Lines(), direct.Lines());
    EXPECT_EQ(form_.Lines().size(), 5);
    EXPECT_EQ(form_.Position(), 200);
    EXPECT_EQ(form_.Maximum(), 1000);

    // A verdict goes onto the last line, handed over or still collected; a bar-only step adds
    // no line. All of it, a lone empty line and the closing line reach the dialog at the finish.
    progress.Append("  -->  OK");
    direct.Append(QStringLiteral("  -->  OK"));
    progress.AddLine("    Addresa  7  (07h)", 7, -1);
    direct.AddLine(QStringLiteral("    Addresa  7  (07h)"), 7);
    progress.Append("  -->  OK  #42");
    direct.Append(QStringLiteral("  -->  OK  #42"));
    progress.Move(9, 1200);
    direct.AddLine(QString(), 9, 1200);
    progress.AddLine("", -1, -1);
    direct.AddLine(QStringLiteral(""));
    progress.AddLine("Celkem 1000  záznamů ", 1000, -1);
    direct.AddLine(QStringLiteral("Celkem 1000  záznamů "), 1000);
    progress.Finish(false);
    EXPECT_EQ(form_.Lines(), direct.Lines());
    EXPECT_EQ(form_.Position(), 1000);
    EXPECT_EQ(form_.Maximum(), 1200);
    EXPECT_FALSE(form_.Visible());
}

TEST_F(InfoProgressTest, StornoIsNoticedAtEveryStepAndNothingIsLostAtTheEnd) {
    {
        InfoProgress progress(
            form_, [](int) {}, [this] { return now_; });
        progress.Open("Čtení hodnot do tabulky", 50);
        progress.AddLine(" 10  záznamů", 10, -1);
        progress.ProcessEvents();
        EXPECT_TRUE(progress.Visible());
        QMetaObject::invokeMethod(form_.MCancel, &QPushButton::click, Qt::QueuedConnection);
        progress.ProcessEvents();  // the clock has not moved: no hand-over, yet the click counts
        EXPECT_FALSE(progress.Visible());
        progress.AddLine("Celkem 10  záznamů ", 50, -1);
    }
    // Leaving the operation hands over what was still collected.
    EXPECT_EQ(form_.Lines(),
              (QStringList{QStringLiteral(" 10  záznamů"), QStringLiteral("Celkem 10  záznamů ")}));
    EXPECT_EQ(form_.Position(), 50);
}

}  // namespace
}  // namespace qx
