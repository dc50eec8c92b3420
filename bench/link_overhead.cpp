// Host overhead of one exchange of the link over a paced simulated line: the measured period of
// Send minus what the line itself takes (the module's turnaround and the reply's characters at
// the baud rate). A pty delivers the request at once, so its wire time is not in the period.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "link/core/comm_port.h"
#include "link/core/protocol.h"
#include "sim/simulator.h"

namespace {

constexpr int kTurnaroundMs = 2;
constexpr int kWarmUp = 10;
constexpr int kSamples = 300;

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    std::size_t i = static_cast<std::size_t>(p * (v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

bool Measure(int baudCode) {
    qx::sim::Simulator sim;
    qx::sim::ModuleSettings module;
    module.baudCode = baudCode;
    sim.AddModule(module);
    sim.SetPacing(true, kTurnaroundMs);
    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return false;
    }
    qx::TCommPort port({sim.SlavePath(), "", "", ""});
    if (port.Open(0, baudCode, false, nullptr) != qx::kOk) {
        std::fprintf(stderr, "cannot open %s\n", sim.SlavePath().c_str());
        return false;
    }
    const int rate = qx::BitRate(baudCode);
    // The simulator's character time, as it paces: whole microseconds per ten bits.
    const double charTimeMs = (10'000'000 / rate) / 1000.0;
    std::vector<double> overheads;
    int failures = 0;
    {
        qx::PauseGuard pause(port);
        char reply[qx::kBufferSize];
        for (int i = 0; i < kWarmUp + kSamples; ++i) {
            const auto start = std::chrono::steady_clock::now();
            const int rc = port.Send("$01M", reply);
            const std::chrono::duration<double, std::milli> period =
                std::chrono::steady_clock::now() - start;
            if (rc != qx::kOk) {
                ++failures;
                continue;
            }
            if (i < kWarmUp) continue;
            const double wire = std::strlen(reply) * charTimeMs;
            overheads.push_back(period.count() - wire - kTurnaroundMs);
        }
    }
    port.Close();
    if (overheads.empty()) {
        std::fprintf(stderr, "%5i Bd: no successful exchange\n", rate);
        return false;
    }
    std::printf(
        "%5i Bd: %zu exchanges, %i failed; host overhead p50 %.3f ms, p99 %.3f ms, "
        "max %.3f ms (goal p50 <= 1 ms, p99 <= 3 ms)\n",
        rate, overheads.size(), failures, Percentile(overheads, 0.50), Percentile(overheads, 0.99),
        Percentile(overheads, 1.0));
    return true;
}

}  // namespace

int main() {
    bool ok = Measure(6);
    ok = Measure(8) && ok;
    return ok ? 0 : 1;
}
