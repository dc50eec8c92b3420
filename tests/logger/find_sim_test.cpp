// The module find over a real link on the simulated bus: every baud rate and checksum mode, the
// lines the user reads, and what the find leaves behind in the link.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "link/core/comm_port_find_link.h"
#include "logger/core/module_find.h"
#include "tests/logger/sim_bus.h"
#include "tests/support/fake_progress.h"

namespace qx {
namespace {

using test::FakeProgress;

class FindSim : public test::SimBus {
  protected:
    ScanOutcome Find() {
        TCommPortFindLink link(*port_, 0, nullptr);
        return FindModule(link, progress_);
    }

    FakeProgress progress_;
};

sim::ModuleSettings Module(int addr, int baudCode, bool checksum) {
    sim::ModuleSettings m;
    m.address = addr;
    m.baudCode = baudCode;
    m.checksum = checksum;
    return m;
}

// The combination headings in the order the find tries them, with `found` inserted after the
// heading of the combination (index 0..11) that lists it.
std::vector<std::string> Headings(const std::vector<std::pair<int, std::string>>& found) {
    std::vector<std::string> lines;
    unsigned baud = 1200;
    for (int combo = 0; combo < 12; ++combo) {
        lines.push_back("BAUD = " + std::to_string(baud) +
                        ", CSUM = " + (combo % 2 ? "ON:" : "OFF:"));
        for (const auto& [at, line] : found)
            if (at == combo) lines.push_back(line);
        if (combo % 2) baud *= 2;
    }
    return lines;
}

TEST_F(FindSim, ListsEachModuleOnlyUnderItsOwnBaudAndChecksum) {
    auto quiet = Module(5, 6, false);  // 9600 Bd, no instrument number
    quiet.formatFlags = kFlagValue;
    auto numbered = Module(255, 8, true);  // 38400 Bd with checksums; the address users cannot set
    numbered.instrumentNumber = 87654321;
    auto zero = Module(0, 8, true);
    zero.instrumentNumber = 0;
    gapMs_ = 1;  // 9216 silent tries: even so the whole find takes about ten seconds
    Start({quiet, numbered, zero});

    EXPECT_EQ(Find(), ScanOutcome::kDone);

    auto expected = Headings({{6, "    Addresa  5  (05h)  -->  OK"},
                              {11, "    Addresa  0  (00h)  -->  OK  #0"},
                              {11, "    Addresa  255  (FFh)  -->  OK  #87654321"}});
    expected.push_back("KONEC");
    EXPECT_EQ(progress_.lines_, expected);
    EXPECT_EQ(progress_.title_, "Vyhledávání aktuálního nastavení QX");
    EXPECT_EQ(progress_.maximum_, 255);
    EXPECT_EQ(progress_.position_, 255);
    EXPECT_EQ(progress_.finishes_, 1);
    EXPECT_TRUE(progress_.keptOpen_);

    // The last scan's list: a module without a positive instrument number polls as -1; the
    // module found under an earlier combination is gone with that scan.
    EXPECT_EQ(port_->PollEntry(0), -1);
    EXPECT_EQ(port_->PollEntry(255), 87654321);
    EXPECT_EQ(port_->PollEntry(5), 0);
    for (int addr = 1; addr < 255; ++addr)
        ASSERT_EQ(port_->PollEntry(addr), 0) << addr;
    EXPECT_TRUE(port_->IsOpen());
    EXPECT_EQ(port_->BaudCode(), 8);
    EXPECT_TRUE(port_->ChecksumOn());
    EXPECT_FALSE(port_->PauseRequested());

    // Every address was asked in every combination (with checksum digits in half of them),
    // three times where nobody answers.
    const auto written = written_.Copy();
    const auto asked = [&](const char* head) {
        return std::count_if(written.begin(), written.end(),
                             [&](const std::string& r) { return r.rfind(head, 0) == 0; });
    };
    EXPECT_EQ(asked("$FEM"), 12 * 3);
    // Where the module answers, the poller may visit it too before the link moves on.
    EXPECT_GE(asked("$05M"), 11 * 3 + 1);
    EXPECT_GE(asked("$052"), 1);
}

// The quick find on the wire: one request per silent address and combination, and the link left
// polling the module where it was found until the page's settings apply again.
TEST_F(FindSim, QuickFindAsksEachAddressOnceAndLeavesTheModulePolled) {
    gapMs_ = 1;                   // five combinations of 256 silent addresses
    Start({Module(7, 7, true)});  // 19200 Bd with checksums: the sixth combination tried
    TCommPortFindLink link(*port_, 0, nullptr);

    const QuickFindResult r = FindModuleQuick(link, progress_, {6, false, 10});

    EXPECT_EQ(r.outcome, ScanOutcome::kDone);
    EXPECT_EQ(r.found.address, 7);
    EXPECT_EQ(progress_.lines_,
              (std::vector<std::string>{"BAUD = 9600, CSUM = OFF:", "BAUD = 9600, CSUM = ON:",
                                        "BAUD = 38400, CSUM = OFF:", "BAUD = 38400, CSUM = ON:",
                                        "BAUD = 19200, CSUM = OFF:", "BAUD = 19200, CSUM = ON:",
                                        "    Addresa  7  (07h)  -->  OK  #12345678", "KONEC"}));
    const auto written = written_.Copy();
    EXPECT_EQ(std::count_if(written.begin(), written.end(),
                            [](const std::string& r) { return r.rfind("$FEM", 0) == 0; }),
              5);
    EXPECT_EQ(std::count_if(written.begin(), written.end(),
                            [](const std::string& r) { return r.rfind("$0AM", 0) == 0; }),
              6);
    EXPECT_EQ(port_->BaudCode(), 7);
    EXPECT_TRUE(port_->ChecksumOn());
    EXPECT_EQ(port_->PollEntry(7), 12345678);
    EXPECT_FALSE(port_->PauseRequested());
    EXPECT_TRUE(WaitFor([&] { return port_->Station(7).state != 0; }));
}

TEST_F(FindSim, ModuleThatStopsAnsweringEndsTheFindWithTheErrorLine) {
    auto faulty = Module(3, 3, false);  // 1200 Bd: met in the very first scan
    faulty.muteConfigRead = true;
    Start({faulty, Module(5, 3, false)});

    EXPECT_EQ(Find(), ScanOutcome::kCommError);

    EXPECT_EQ(
        progress_.lines_,
        (std::vector<std::string>{"BAUD = 1200, CSUM = OFF:", "Chyba při komunikaci !", "KONEC"}));
    EXPECT_EQ(progress_.finishes_, 1);
    EXPECT_EQ(port_->PollEntry(3), -1);  // it did answer its model request
    EXPECT_FALSE(port_->PauseRequested());
    // The configuration read was tried three times and the scan went no further; the poller,
    // released, then takes up the listed address with its model request.
    ASSERT_TRUE(WaitFor([&] { return written_.Copy().size() >= 14; }));
    const auto written = written_.Copy();
    std::vector<std::string> expected;
    for (const char* frame : {"$00M\r", "$01M\r", "$02M\r"})
        expected.insert(expected.end(), 3, frame);
    expected.push_back("$03M\r");
    expected.insert(expected.end(), 3, "$032\r");
    expected.push_back("$03M\r");
    EXPECT_EQ(std::vector<std::string>(written.begin(), written.begin() + 14), expected);
    EXPECT_EQ(std::count(written.begin(), written.end(), "$05M\r"), 0);
}

TEST_F(FindSim, CancelStopsAtTheNextAddressAndLetsThePollerGoOn) {
    Start({Module(5, 3, false)});
    progress_.cancelAtDelivery_ = 9;  // the user closes the dialog while address 7 is asked

    EXPECT_EQ(Find(), ScanOutcome::kCancelled);

    EXPECT_EQ(progress_.lines_,
              (std::vector<std::string>{"BAUD = 1200, CSUM = OFF:",
                                        "    Addresa  5  (05h)  -->  OK  #12345678", "KONEC"}));
    EXPECT_EQ(progress_.position_, 7);
    EXPECT_EQ(port_->PollEntry(5), 12345678);
    EXPECT_FALSE(port_->PauseRequested());
    // Released, the poller takes up the module that the scan entered in the list.
    EXPECT_TRUE(WaitFor([&] { return port_->Station(5).state != 0; }));
    const auto written = written_.Copy();
    EXPECT_EQ(std::count(written.begin(), written.end(), "$07M\r"), 3);
    EXPECT_EQ(std::count(written.begin(), written.end(), "$08M\r"), 0);
}

TEST_F(FindSim, PortThatCannotBeOpenedEndsTheFindWithoutTheErrorLine) {
    Start({Module(5, 3, false)});
    port_->SetPortPaths({"/nonexistent/ttyQX0", "", "", ""});

    EXPECT_EQ(Find(), ScanOutcome::kOpenFailed);

    EXPECT_EQ(progress_.lines_, (std::vector<std::string>{"BAUD = 1200, CSUM = OFF:", "KONEC"}));
    EXPECT_FALSE(port_->IsOpen());
    EXPECT_TRUE(written_.Copy().empty());
}

}  // namespace
}  // namespace qx
