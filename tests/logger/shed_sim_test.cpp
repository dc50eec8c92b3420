// The Schedule page's three transactions over a real link on the simulated bus: the module logs
// by the schedule sent, the check reads it back without a mark, the clear empties the queue.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "link/core/pause_lease.h"
#include "link/core/protocol.h"
#include "logger/core/shed_log.h"
#include "logger/core/shed_transfer.h"
#include "sim/civil_time.h"
#include "tests/logger/sim_bus.h"
#include "tests/support/fake_progress.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

constexpr int kAddr = 0x21;

class ShedSim : public test::SimBus {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("shedsim_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        sim::ModuleSettings m;
        m.address = kAddr;
        m.checksum = true;
        Start({m});
        ASSERT_EQ(port_->Open(0, m.baudCode, true, nullptr), kOk);
        // The PC's clock runs with the simulated time, so that an accelerated module clock
        // stays in step with it.
        simStart_ = sim_.Now();
    }
    void TearDown() override { fs::remove_all(dir_); }

    TShedTransfer Make() {
        BusServices bus;
        bus.exchange = [this](const char* q, char* r) { return port_->Send(q, r); };
        bus.poller = port_.get();
        bus.progress = &progress_;
        bus.clock = [this] { return PcClock(); };
        // 5 6 1 stands for configuration byte 5D, a quantity the simulated instrument measures.
        bus.encode = [](int q, int r, int i) { return q * 16 + r * 2 + i; };
        bus.report = [this](const TransactionResult&, const char* caption) {
            reports_.push_back(caption);
        };
        return TShedTransfer(bus);
    }

    LocalTime PcClock() const {
        static const std::int64_t base = sim::ClockSeconds({2026, 12, 6, 14, 5, 9});
        const auto c = sim::CivilOf(base + static_cast<std::int64_t>(sim_.Now() - simStart_));
        return LocalTime{c.year, c.month, c.day, c.hour, c.minute, c.second, 0};
    }

    // The module's fill count read over the link, -1 when it does not answer.
    int Fill() {
        char reply[kBufferSize + 1] = {};
        PauseLease hold(*port_);
        if (port_->Send(ReqQueueFill(kAddr).c_str(), reply) != kOk) return -1;
        const std::string_view text(reply);
        return 256 * HexPairAt(text, 4) + HexPairAt(text, 6);
    }

    fs::path dir_;
    double simStart_ = 0;
    test::FakeProgress progress_;
    std::vector<std::string> reports_;
};

Schedule TwoActiveEntries() {
    Schedule s = Schedule::Defaults();
    s.allOff = false;
    s.rewrite = true;
    for (int i : {0, 2}) {
        ShedEntry& e = s.entries[i];
        e.active = true;
        e.quantity = 5;
        e.range = 6;
        e.input = 1;
    }
    s.entries[0].interval = "0:01";
    s.entries[2].interval = "1:00";
    s.entries[2].low = "-1.5";
    s.entries[2].high = "25";
    s.entries[2].limitInterval = "0:30";
    return s;
}

TEST_F(ShedSim, SentScheduleLogsChecksCleanAndClearEmptiesTheQueue) {
    const Schedule schedule = TwoActiveEntries();
    TShedTransfer transfer = Make();
    sim_.SetAcceleration(50);  // the one-second index logs fifty records a second

    ASSERT_TRUE(transfer.Send(kAddr, schedule, dir_).Ok());
    EXPECT_EQ(progress_.lines_.back(), "KONEC");
    {
        std::ifstream in(dir_ / kShedLogName);
        const std::string log{std::istreambuf_iterator<char>(in), {}};
        EXPECT_NE(log.find("@21WD05D000000000001\r\n@21WL029999199990010\r\n"), std::string::npos)
            << log;
        EXPECT_NE(log.find("@21WL2E1500825000030\r\n"), std::string::npos) << log;
        EXPECT_NE(log.find("@21WE8005\r\n\r\n"), std::string::npos) << log;
    }
    const auto module = sim_.FindModule(kAddr);
    ASSERT_TRUE(module);
    EXPECT_EQ(module->Log().EnableMask(), 0x05);
    EXPECT_EQ(module->Log().Rewrite(), 0x80);
    EXPECT_EQ(module->Log().Entry(2).lowField, "E1500");
    EXPECT_EQ(module->Log().Entry(2).limitSeconds, 30);

    ASSERT_TRUE(WaitFor([&] { return Fill() >= 5; }));
    const auto logged = sim_.FindModule(kAddr);
    ASSERT_TRUE(logged && !logged->Log().Queue().empty());
    EXPECT_EQ(logged->Log().Queue().front().substr(0, 2), "5D");

    // Back to real time, so that the clock comparison sees only the exchange's own delay.
    sim_.SetAcceleration(1);
    ASSERT_TRUE(transfer.Check(kAddr, schedule).Ok());
    std::vector<std::string> expected = {"Kontrola času a data v QX"};
    for (int n = 1; n <= 8; ++n)
        expected.push_back("Kotrola indexu  " + std::to_string(n) + "  v QX");
    expected.push_back("Kontrola povolení indexů v QX");
    expected.push_back("KONEC");
    EXPECT_EQ(progress_.lines_, expected);

    // A check against a schedule the module does not hold marks the index that differs.
    Schedule other = schedule;
    other.entries[2].high = "26";
    ASSERT_TRUE(transfer.Check(kAddr, other).Ok());
    EXPECT_EQ(progress_.lines_[3], "Kotrola indexu  3  v QX  -->  CHYBA !");
    EXPECT_EQ(progress_.lines_[1], "Kotrola indexu  1  v QX");

    // Stop the logging so that the queue can be read to its end, then clear it.
    Schedule stopped = schedule;
    stopped.allOff = true;
    ASSERT_TRUE(transfer.Send(kAddr, stopped, dir_).Ok());
    const int before = Fill();
    ASSERT_GE(before, 5);
    ASSERT_TRUE(transfer.Clear(kAddr).Ok());
    EXPECT_EQ(transfer.ClearedCount(), before);
    EXPECT_EQ(progress_.lines_.back(), "Celkem  " + std::to_string(before) + "  záznamů nulováno");
    EXPECT_EQ(Fill(), 0);
    EXPECT_TRUE(reports_.empty());
    EXPECT_FALSE(port_->PauseRequested());
}

}  // namespace
}  // namespace qx
