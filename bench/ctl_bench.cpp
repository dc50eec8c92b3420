// meridoctl against the paced simulator: the download of a full queue at 38400 Bd against the
// line's physical floor, the values per second that watch takes from 1, 2 and 4 modules on one
// bus at 38400 Bd against the line's floor, and the quick find of a module at address 200
// (38400 Bd, checksums on) against the full find. Figures only.
//
// Usage: ctl_bench [records] [full]   ("full" also times the complete full find: ~11 minutes)
//        ctl_bench watch              (the watch figures only)

#include <sys/prctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

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

// watch on `modules` modules at 38400 Bd for `seconds` (and one more listed address where no
// module answers when `absent`). The figures come from the steady part of the run, from the first
// value request to the last reply: the values taken in it against what the line could carry in
// the same exchanges (request and reply characters at 10 bits each plus the turnaround).
void Watch(int modules, bool absent, double seconds) {
    constexpr int kTurnaroundMs = qx::sim::Simulator::kDefaultTurnaroundMs;
    qx::sim::Simulator sim;
    for (int a = 1; a <= modules; ++a) {
        qx::sim::ModuleSettings module;
        module.address = a;
        module.baudCode = 8;
        sim.AddModule(module);
    }
    if (!sim.Start()) return;
    sim.SetPacing(true, kTurnaroundMs);
    std::ostringstream out, err;
    const std::string list = "1-" + std::to_string(modules + (absent ? 1 : 0));
    const int code = qx::ctl::RunCtl({"watch", "--quiet", "--baud", "38400", "--csum", "off",
                                      "--addr", list, "--duration", std::to_string(seconds)},
                                     Env(sim.SlavePath(), out, err));
    sim.Stop();
    const auto frames = sim.Record().Frames();
    std::size_t first = frames.size(), last = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].fromModule) continue;
        if (frames[i].bytes[0] == '#' && first == frames.size()) first = i;
        if (frames[i].bytes[0] == '#' || first < frames.size()) last = i;
    }
    if (first >= last) return;
    std::size_t chars = 0, replyChars = 0, exchanges = 0, values = 0;
    for (std::size_t i = first; i <= last + 1 && i < frames.size(); ++i) {
        chars += frames[i].bytes.size();
        if (frames[i].fromModule) replyChars += frames[i].bytes.size();
        if (frames[i].fromModule) continue;
        ++exchanges;
        values += frames[i].bytes[0] == '#' ? 1 : 0;
    }
    const double elapsed = std::chrono::duration<double>(
                               frames[std::min(last + 1, frames.size() - 1)].at - frames[first].at)
                               .count();
    const double floor = chars * 10 / 38400.0 + exchanges * kTurnaroundMs / 1000.0;
    // qxsim paces the replies and the turnaround only: the requests cross the pty at once.
    const double paced = replyChars * 10 / 38400.0 + exchanges * kTurnaroundMs / 1000.0;
    std::printf(
        "watch, %d module%s%s: exit %d, %.1f values/s against the line's %.1f: %.3f of "
        "it (goal >= 0.9); against the paced part %.3f\n",
        modules, modules == 1 ? "" : "s", absent ? " and one switched off" : "", code,
        values / elapsed, values / floor, floor / elapsed, paced / elapsed);
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
    const bool watchOnly = argc > 1 && std::string(argv[1]) == "watch";
    if (!watchOnly) Download(records);
    for (int modules : {1, 2, 4})
        Watch(modules, false, 5);
    Watch(3, true, 5);
    if (!watchOnly) FindModule(full);
    return 0;
}
