// Wall time of the module find over silent addresses at the link's real 70 ms reply gap, against
// the simulator's pty: a scan cut after N addresses (the progress dialog "closes" there), each
// costing the three tries of a request nobody answers. Compared with the floor N x 3 x 70 ms, and
// extrapolated to the whole find (twelve combinations of 256 addresses) with the measured cost of
// switching the link to the next combination.
//
// Usage: module_find_bench [N]   (default 32 addresses)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/core/progress.h"
#include "link/core/comm_port.h"
#include "link/core/comm_port_find_link.h"
#include "link/core/pause_lease.h"
#include "logger/core/module_find.h"
#include "sim/simulator.h"

namespace {

using Ms = std::chrono::duration<double, std::milli>;

// A dialog the user closes once `limit` addresses have been asked.
class CutAfter : public qx::Progress {
  public:
    explicit CutAfter(int limit) : limit_(limit) {}
    void Open(std::string_view, int) override {}
    void AddLine(std::string_view, int, int) override { ++lines_; }
    void Move(int, int) override {}
    void Append(std::string_view) override {}
    void Finish(bool) override {}
    bool Visible() const override { return polls_ <= limit_; }
    void ProcessEvents() override { ++polls_; }
    void Pause(int) override {}

    int Lines() const { return lines_; }

  private:
    int limit_;
    int polls_ = 0;
    int lines_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::max(1, std::atoi(argv[1])) : 32;
    qx::sim::Simulator sim;
    qx::sim::ModuleSettings module;
    module.baudCode = 8;  // 38400 Bd: never heard at the 1200 Bd of the scan
    sim.AddModule(module);
    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    qx::TCommPort port({sim.SlavePath(), "", "", ""});
    qx::TCommPortFindLink link(port, 0, nullptr);

    // Switching to a combination: close, open (a new poller), park the poller, release it.
    const auto switchStart = std::chrono::steady_clock::now();
    if (link.Reopen(3, false) != qx::kOk) {
        std::fprintf(stderr, "cannot open %s\n", sim.SlavePath().c_str());
        return 1;
    }
    { qx::PauseLease parked(link); }
    const double switchMs = Ms(std::chrono::steady_clock::now() - switchStart).count();

    CutAfter progress(n);
    qx::ScanOutcome outcome;
    double scanMs;
    {
        qx::PauseLease parked(link);
        const auto start = std::chrono::steady_clock::now();
        outcome = qx::ScanAddresses(link, progress, false);
        scanMs = Ms(std::chrono::steady_clock::now() - start).count();
    }
    port.Close();
    if (outcome != qx::ScanOutcome::kCancelled || progress.Lines() != 0) {
        std::fprintf(stderr, "unexpected scan outcome %d with %d lines\n",
                     static_cast<int>(outcome), progress.Lines());
        return 1;
    }

    const double floorMs = n * 3.0 * qx::kReplyGapMs;
    const double perAddressMs = scanMs / n;
    const double findMs = 12 * (256 * perAddressMs + switchMs);
    const double findFloorMs = 12 * 256 * 3.0 * qx::kReplyGapMs;
    std::printf("silent addresses: %d, reply gap %d ms\n", n, qx::kReplyGapMs);
    std::printf("scan: %.1f ms measured, floor %.1f ms, ratio %.4f (goal <= 1.02)\n", scanMs,
                floorMs, scanMs / floorMs);
    std::printf("per address: %.3f ms (floor %.1f ms); switching combination: %.1f ms\n",
                perAddressMs, 3.0 * qx::kReplyGapMs, switchMs);
    std::printf("whole find, 12 x 256 addresses: %.1f s extrapolated, floor %.1f s, ratio %.4f\n",
                findMs / 1000, findFloorMs / 1000, findMs / findFloorMs);
    return 0;
}
