// meridoctl against the paced simulator: the download of a full queue at 38400 Bd against the
// line's physical floor, and the quick find of a module at address 200 (38400 Bd, checksums on)
// against the full find. Figures only.
//
// Usage: ctl_bench [records] [full]   ("full" also times the complete full find: ~11 minutes)

#include <sys/prctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "ctl/core/ctl_run.h"
#include "sim/simulator.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

qx::ctl::CtlEnvironment Env(const std::string& device, std::ostringstream& out,
                            std::ostringstream& err) {
    qx::ctl::CtlEnvironment env;
    env.saved.comPaths = {device, "", "", ""};
    env.out = &out;
    env.err = &err;
    return env;
}

void Download(int records) {
    constexpr int kTurnaroundMs = qx::sim::Simulator::kDefaultTurnaroundMs;
    qx::sim::Simulator sim;
    qx::sim::ModuleSettings module;
    module.address = 1;
    module.baudCode = 8;
    module.queueCapacity = records + 16;
    sim.AddModule(module);
    if (!sim.Start() || !sim.PrefillQueue(1, records, 0x10)) return;
    sim.SetPacing(true, kTurnaroundMs);
    sim.Record().Clear();
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("ctl_bench_" + std::to_string(::getpid()) + ".PRN"))
                                 .string();
    std::ostringstream out, err;
    const auto start = Clock::now();
    const int code = qx::ctl::RunCtl(
        {"download", path, "--force", "--baud", "38400", "--csum", "off", "--addr", "1"},
        Env(sim.SlavePath(), out, err));
    const double measured = Seconds(start);
    sim.Stop();
    std::size_t requestChars = 0, replyChars = 0, exchanges = 0;
    for (const auto& f : sim.Record().Frames()) {
        (f.fromModule ? replyChars : requestChars) += f.bytes.size();
        exchanges += f.fromModule ? 0 : 1;
    }
    const double bitRate = 38400;
    const double turnaround = exchanges * kTurnaroundMs / 1000.0;
    const double floor = (requestChars + replyChars) * 10 / bitRate + turnaround;
    const double paced = replyChars * 10 / bitRate + turnaround;
    std::printf("download: exit %d, %s", code, out.str().c_str());
    std::printf("  meridoctl download %.3f s (opening and closing the link included)\n", measured);
    std::printf("  physical floor %.3f s, ratio %.3f\n", floor, measured / floor);
    std::printf("  paced part (replies and turnaround) %.3f s, ratio %.3f (goal <= 1.05)\n", paced,
                measured / paced);
    std::filesystem::remove(path);
}

double Find(bool fast, const std::string& device) {
    std::ostringstream out, err;
    std::vector<std::string> args{"find", "--baud", "9600", "--csum", "off", "--addr", "10"};
    if (fast) args.push_back("--fast");
    const auto start = Clock::now();
    const int code = qx::ctl::RunCtl(args, Env(device, out, err));
    const double s = Seconds(start);
    std::printf("find%s: exit %d, %.1f s: %s", fast ? " --fast" : "", code, s, out.str().c_str());
    return s;
}

void FindModule(bool full) {
    qx::sim::Simulator sim;
    qx::sim::ModuleSettings module;
    module.address = 200;
    module.baudCode = 8;
    module.checksum = true;
    sim.AddModule(module);
    if (!sim.Start()) return;
    sim.SetPacing(true);
    // Saved settings: the window's defaults (9600 Bd, checksums off, address 10), so the quick
    // find tries 9600 Bd both ways and 38400 Bd without checksums before it finds the module.
    const double fast = Find(true, sim.SlavePath());
    if (full) {
        const double whole = Find(false, sim.SlavePath());
        std::printf("  quick find %.1f s against the full find %.1f s: %.1f times faster\n", fast,
                    whole, whole / fast);
    } else {
        std::printf(
            "  (the full find asks 12 x 256 addresses with three attempts each; "
            "run with 'full' to time it)\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int records = argc > 1 ? std::atoi(argv[1]) : 10000;
    const bool full = argc > 2 && std::string(argv[2]) == "full";
    // As in download_bench: the simulator's sleeps must not wake late.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    Download(records);
    FindModule(full);
    return 0;
}
