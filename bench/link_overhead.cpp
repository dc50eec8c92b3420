// Host overhead of one exchange of the link over a paced simulated line: the measured period of
// Send minus what the line itself takes (the module's turnaround and the reply's characters at
// the baud rate). A pty delivers the request at once, so its wire time is not in the period.
//
// That figure also holds the simulator's own lateness in pacing. The link's own share is shown
// beside it: from the call of Send until the request's last byte has been written, and from the
// moment the reply's CR has been written to the line (so became readable) until Send returns.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "link/core/comm_port.h"
#include "link/core/pause_lease.h"
#include "link/core/protocol.h"
#include "link/core/termios_device.h"
#include "sim/simulator.h"

namespace {

constexpr int kTurnaroundMs = 2;
constexpr int kWarmUp = 10;
constexpr int kSamples = 300;

using Clock = std::chrono::steady_clock;

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    std::size_t i = static_cast<std::size_t>(p * (v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The port's device, noting when the last write of a request has returned.
class TimedDevice : public qx::TermiosDevice {
  public:
    explicit TimedDevice(Clock::time_point* written) : written_(written) {}
    void Write(const char* data, std::size_t size) override {
        qx::TermiosDevice::Write(data, size);
        *written_ = Clock::now();
    }

  private:
    Clock::time_point* written_;
};

void PrintShare(const char* what, const std::vector<double>& v) {
    std::printf("         link: %-42s p50 %.3f ms, p99 %.3f ms, max %.3f ms\n", what,
                Percentile(v, 0.50), Percentile(v, 0.99), Percentile(v, 1.0));
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
    Clock::time_point written{};
    qx::TCommPort port({sim.SlavePath(), "", "", ""},
                       [&written] { return std::make_unique<TimedDevice>(&written); });
    if (port.Open(0, baudCode, false, nullptr) != qx::kOk) {
        std::fprintf(stderr, "cannot open %s\n", sim.SlavePath().c_str());
        return false;
    }
    const int rate = qx::BitRate(baudCode);
    // The simulator's character time, as it paces: whole microseconds per ten bits.
    const double charTimeMs = (10'000'000 / rate) / 1000.0;
    std::vector<double> overheads, toWritten, fromCr;
    int failures = 0;
    {
        qx::PauseLease pause(port);
        char reply[qx::kBufferSize];
        for (int i = 0; i < kWarmUp + kSamples; ++i) {
            sim.Record().Clear();
            const auto start = Clock::now();
            const int rc = port.Send("$01M", reply);
            const auto end = Clock::now();
            if (rc != qx::kOk) {
                ++failures;
                continue;
            }
            // The simulator notes the exchange just after the reply's last byte has gone out.
            if (!sim.Record().WaitRequests(1, std::chrono::seconds(1))) continue;
            if (i < kWarmUp) continue;
            const double wire = std::strlen(reply) * charTimeMs;
            overheads.push_back(Ms(end - start) - wire - kTurnaroundMs);
            toWritten.push_back(Ms(written - start));
            const auto frames = sim.Record().Frames();
            if (!frames.empty() && frames.back().fromModule)
                fromCr.push_back(Ms(end - frames.back().at));
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
    PrintShare("Send called -> request's last byte written", toWritten);
    if (!fromCr.empty()) PrintShare("reply's CR readable -> Send returned", fromCr);
    return true;
}

}  // namespace

int main() {
    bool ok = Measure(6);
    ok = Measure(8) && ok;
    return ok ? 0 : 1;
}
