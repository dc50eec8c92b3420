#include "logger/core/module_find.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>

#include "link/core/protocol.h"
#include "logger/core/reconfigure.h"
#include "tests/support/fake_progress.h"

namespace qx {
namespace {

// A bus with modules that answer only at their own baud code and checksum mode.
class FakeBus : public FindLink {
  public:
    struct Module {
        int addr;
        int baudCode;
        bool checksum;
        int flags;
        int number = 0;
        bool answersConfig = true;
    };

    int Reopen(int baudCode, bool checksum) override {
        reopens.push_back({baudCode, checksum});
        if (baudCode == failOpenAt) return -4;
        baudCode_ = baudCode;
        checksum_ = checksum;
        return 0;
    }
    void RequestPause() override {
        ++pauses;
        paused_ = true;
    }
    void ReleasePause() override {
        ++resumes;
        paused_ = false;
    }
    int Send(const char* request, char* reply) override {
        if (!paused_) sentWhileRunning = true;
        const std::string req = request;
        if (auto stray = strays.find(req); stray != strays.end()) {
            std::strncpy(reply, Frame(stray->second, checksum_).c_str(), 31);
            return 0;
        }
        const int addr = HexPairAt(req, 2);
        for (const Module& m : modules) {
            if (m.addr != addr || m.baudCode != baudCode_ || m.checksum != checksum_) continue;
            std::string text;
            char buf[32];
            if (req[3] == 'M') {
                std::snprintf(buf, sizeof buf, "!%02X1525 525", addr);
            } else if (req[3] == '2' && m.answersConfig) {
                std::snprintf(buf, sizeof buf, "!%02X5D%02X%02X", addr, m.baudCode, m.flags);
            } else if (req[3] == 'N') {
                std::snprintf(buf, sizeof buf, "!%02X%i", addr, m.number);  // not padded
            } else {
                return -1;
            }
            const std::string frame = Frame(buf, checksum_);
            std::strncpy(reply, frame.c_str(), 31);
            return 0;
        }
        return -1;
    }
    int Probe(const char* request, char* reply) override {
        probes.push_back({static_cast<int>(reopens.size()), request});
        return Send(request, reply);
    }
    void ClearPollList() override { poll.clear(); }
    void SetPollEntry(int addr, int entry) override {
        poll[addr] = entry;
        pollHistory.push_back({addr, entry});
    }

    std::vector<Module> modules;
    // Requests that receive a late reply meant for another request instead of their own.
    std::map<std::string, std::string> strays;
    std::vector<std::pair<int, bool>> reopens;
    std::vector<std::pair<int, std::string>> probes;  // (combinations opened so far, request)
    std::map<int, int> poll;
    std::vector<std::pair<int, int>> pollHistory;
    int failOpenAt = -1;
    int pauses = 0;
    int resumes = 0;
    bool sentWhileRunning = false;

  private:
    int baudCode_ = 0;
    bool checksum_ = false;
    bool paused_ = false;
};

std::vector<std::string> Headings(int lastCode, bool lastChecksum) {
    std::vector<std::string> lines;
    unsigned baud = 1200;
    for (int code = 3; code <= lastCode; ++code, baud *= 2) {
        for (bool on : {false, true}) {
            lines.push_back("BAUD = " + std::to_string(baud) + ", CSUM = " + (on ? "ON:" : "OFF:"));
            if (code == lastCode && on == lastChecksum) return lines;
        }
    }
    return lines;
}

TEST(ModuleFind, ModuleAtFiveWithoutInstrumentNumber) {
    FakeBus bus;
    bus.modules.push_back({5, 6, false, 0x0A});  // 9600 Bd, no $AAN
    test::FakeProgress progress;
    EXPECT_EQ(FindModule(bus, progress), ScanOutcome::kDone);
    std::vector<std::string> expected = Headings(8, true);
    expected.insert(expected.begin() + 7, "    Addresa  5  (05h)  -->  OK");
    expected.push_back("KONEC");
    EXPECT_EQ(progress.lines_, expected);
    EXPECT_EQ(progress.title_, "Vyhledávání aktuálního nastavení QX");
    EXPECT_EQ(progress.maximum_, 255);
    EXPECT_EQ(progress.position_, 255);
    EXPECT_TRUE(progress.finishes_ == 1 && progress.keptOpen_);
    EXPECT_EQ(bus.reopens.size(), 12u);
    EXPECT_EQ(bus.reopens[7], std::make_pair(6, true));
    EXPECT_EQ(bus.pauses, 12);
    EXPECT_EQ(bus.resumes, 12);
    EXPECT_FALSE(bus.sentWhileRunning);
    EXPECT_EQ(bus.pollHistory, (std::vector<std::pair<int, int>>{{5, -1}}));
}

TEST(ModuleFind, InstrumentNumberAndAddress255WithChecksums) {
    FakeBus bus;
    // The number is not padded, so the checksum digits "17" follow it directly.
    bus.modules.push_back({5, 8, true, 0x4E, 100});
    bus.modules.push_back({255, 8, true, 0x48});
    bus.modules.push_back({7, 8, true, 0x4C, 0});
    test::FakeProgress progress;
    EXPECT_EQ(FindModule(bus, progress), ScanOutcome::kDone);
    const std::vector<std::string> tail(progress.lines_.end() - 5, progress.lines_.end());
    EXPECT_EQ(tail, (std::vector<std::string>{
                        "BAUD = 38400, CSUM = ON:", "    Addresa  5  (05h)  -->  OK  #100",
                        "    Addresa  7  (07h)  -->  OK  #0", "    Addresa  255  (FFh)  -->  OK",
                        "KONEC"}));
    EXPECT_EQ(bus.poll, (std::map<int, int>{{5, 100}, {7, -1}, {255, -1}}));
}

TEST(ModuleFind, ModuleThatStopsAnsweringEndsTheFind) {
    FakeBus bus;
    bus.modules.push_back({9, 4, true, 0, 0, false});  // 2400 Bd: answers $AAM only
    test::FakeProgress progress;
    EXPECT_EQ(FindModule(bus, progress), ScanOutcome::kCommError);
    std::vector<std::string> expected = Headings(4, true);
    expected.push_back("Chyba při komunikaci !");
    expected.push_back("KONEC");
    EXPECT_EQ(progress.lines_, expected);
    EXPECT_EQ(bus.reopens.size(), 4u);
    EXPECT_EQ(bus.pauses, bus.resumes);
}

TEST(ModuleFind, LateReplyFromAnotherAddressIsNoAnswer) {
    FakeBus bus;
    bus.modules.push_back({9, 4, false, 0x06, 42});  // 2400 Bd, plain
    // Address 5 is silent, but a late reply of module 7 arrives while it is asked: not listed.
    bus.strays["$05M"] = "!0715250525";
    test::FakeProgress progress;
    progress.visible_ = true;  // the find opened the dialog
    EXPECT_EQ(ScanAddresses(bus, progress, false), ScanOutcome::kDone);
    EXPECT_TRUE(progress.lines_.empty());
    EXPECT_TRUE(bus.pollHistory.empty());

    // A module that answers for itself, then gets another address's reply to a later request,
    // has not answered that request.
    ASSERT_EQ(bus.Reopen(4, false), 0);
    bus.strays["$09N"] = "!0A00000042";
    EXPECT_EQ(ScanAddresses(bus, progress, false), ScanOutcome::kCommError);
    EXPECT_EQ(progress.lines_, (std::vector<std::string>{"    Addresa  9  (09h)"}));
    bus.strays.erase("$09N");
    progress.lines_.clear();
    bus.strays["$092"] = "!0A00040E";
    EXPECT_EQ(ScanAddresses(bus, progress, false), ScanOutcome::kCommError);
    EXPECT_TRUE(progress.lines_.empty());
}

TEST(ModuleFind, CancelAndFailedOpenStopWithoutTheErrorLine) {
    FakeBus bus;
    test::FakeProgress progress;
    progress.cancelAtDelivery_ = 256 + 101;  // during the second scan
    EXPECT_EQ(FindModule(bus, progress), ScanOutcome::kCancelled);
    EXPECT_EQ(
        progress.lines_,
        (std::vector<std::string>{"BAUD = 1200, CSUM = OFF:", "BAUD = 1200, CSUM = ON:", "KONEC"}));
    EXPECT_EQ(progress.position_, 99);
    EXPECT_EQ(bus.pauses, bus.resumes);

    FakeBus closed;
    closed.failOpenAt = 5;
    test::FakeProgress p2;
    EXPECT_EQ(FindModule(closed, p2), ScanOutcome::kOpenFailed);
    std::vector<std::string> expected = Headings(5, false);
    expected.push_back("KONEC");
    EXPECT_EQ(p2.lines_, expected);
    EXPECT_EQ(closed.pauses, 4);
    EXPECT_EQ(closed.resumes, 4);
}

// The quick find: the page's settings first, its address first at every combination, each address
// asked once (a probe, not a three-attempt Send), and done at the first module.
TEST(ModuleFind, QuickFindStartsWithTheSavedSettingsAndStopsAtTheFirstModule) {
    using Combos = std::vector<std::pair<int, bool>>;
    struct Case {
        const char* name;
        std::vector<FakeBus::Module> modules;
        ModuleSettingsGuess saved;
        Combos reopens;
        std::vector<int> probesPerCombo;
        ModuleSettingsGuess found;
        std::string line;  // the found module's line, under the last heading
    };
    const Combos all{{3, true}, {3, false}, {8, true}, {8, false}, {7, true}, {7, false},
                     {6, true}, {6, false}, {5, true}, {5, false}, {4, true}, {4, false}};
    const Case cases[] = {
        {"module as saved",
         {{10, 6, false, 0x0A}},
         {6, false, 10},
         {{6, false}},
         {1},
         {6, false, 10},
         "    Addresa  10  (0Ah)  -->  OK"},
        // A second module of a later combination is never reached.
        {"address 200 at 38400 Bd with checksums",
         {{200, 8, true, 0x4E, 77}, {3, 3, false, 0x0A}},
         {6, false, 10},
         {{6, false}, {6, true}, {8, false}, {8, true}},
         {256, 256, 256, 201},
         {8, true, 200},
         "    Addresa  200  (C8h)  -->  OK  #77"},
        {"nothing", {}, {3, true, 5}, all, std::vector<int>(12, 256), {6, false, -1}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeBus bus;
        bus.modules = c.modules;
        test::FakeProgress progress;
        const QuickFindResult r = FindModuleQuick(bus, progress, c.saved);
        EXPECT_EQ(r.outcome, ScanOutcome::kDone);
        EXPECT_EQ(bus.reopens, c.reopens);
        std::vector<int> perCombo(c.reopens.size(), 0);
        for (const auto& [combo, request] : bus.probes) {
            if (perCombo[combo - 1]++ == 0) {
                EXPECT_EQ(HexPairAt(request, 2), c.saved.address) << request;
            }
        }
        EXPECT_EQ(perCombo, c.probesPerCombo);
        std::map<std::pair<int, std::string>, int> asked;
        for (const auto& probe : bus.probes)
            EXPECT_EQ(++asked[probe], 1) << probe.second;
        EXPECT_EQ(r.found.address, c.found.address);
        if (c.found.address >= 0) {
            EXPECT_EQ(r.found.baudCode, c.found.baudCode);
            EXPECT_EQ(r.found.checksum, c.found.checksum);
        }
        // The same dialog as the full find: its title, a heading per combination, "KONEC".
        EXPECT_EQ(progress.title_, "Vyhledávání aktuálního nastavení QX");
        EXPECT_TRUE(progress.finishes_ == 1 && progress.keptOpen_);
        ASSERT_EQ(progress.lines_.size(), c.reopens.size() + (c.line.empty() ? 1 : 2));
        EXPECT_EQ(progress.lines_.back(), "KONEC");
        if (!c.line.empty()) {
            EXPECT_EQ(progress.lines_[c.reopens.size()], c.line);
        }
        EXPECT_EQ(bus.pauses, bus.resumes);
        EXPECT_FALSE(bus.sentWhileRunning);
    }
}

TEST(Reconfigure, KeepsTheConfigurationByteAndSetsOnlyTheChecksumFlag) {
    std::vector<std::string> sent;
    int failAt = -1;
    std::string configReply = "!055D06CE\r";
    const Exchange exchange = [&](const char* request, char* reply) {
        sent.emplace_back(request);
        if (static_cast<int>(sent.size()) - 1 == failAt) return -1;
        std::strcpy(reply, sent.size() == 1 ? configReply.c_str() : "!05\r");
        return 0;
    };
    ReconfigureRequest req{5, 12, 3, true};
    EXPECT_TRUE(Reconfigure(exchange, req).Ok());
    EXPECT_EQ(sent, (std::vector<std::string>{"$052", "$050", "%050C5D0640"}));

    sent.clear();
    req = {5, 5, 0, false};
    EXPECT_TRUE(Reconfigure(exchange, req).Ok());
    EXPECT_EQ(sent.back(), "%05055D0300");

    sent.clear();
    failAt = 1;
    EXPECT_EQ(Reconfigure(exchange, req).code, -1);
    EXPECT_EQ(sent.size(), 2u);

    // A refusal carries no configuration byte: nothing is configured with a made-up one.
    sent.clear();
    failAt = -1;
    configReply = "?05\r";
    const TransactionResult res = Reconfigure(exchange, req);
    EXPECT_FALSE(res.Ok());
    EXPECT_FALSE(res.refusal.empty());
    EXPECT_EQ(sent.size(), 1u);
}

// The address texts' cases are golden vectors: tests/golden/address_clamp.txt.

}  // namespace
}  // namespace qx
