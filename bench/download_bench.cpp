// Downloads a prefilled record queue from the paced simulator at 38400 Bd into a temporary data
// file and compares the time with the line's physical floor: every character of every request and
// reply on the wire at ten bits, plus the module's turnaround for each exchange.
//
// Usage: download_bench [records] [turnaround ms] [slack]

#include <sys/prctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/quiet_progress.h"
#include "common/core/progress.h"
#include "data/core/queue_download.h"
#include "link/core/comm_port.h"
#include "link/core/pause_lease.h"
#include "link/core/protocol.h"
#include "sim/simulator.h"

using qx::bench::QuietProgress;

namespace {

constexpr int kBaudCode = 8;  // 38400 Bd

}  // namespace

int main(int argc, char** argv) {
    const int records = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int turnaroundMs =
        argc > 2 ? std::atoi(argv[2]) : qx::sim::Simulator::kDefaultTurnaroundMs;

    // Timer slack lets a sleeping thread wake up to 50 us late; the simulated line sleeps for
    // its turnaround and every character, which would count against the link. Threads started
    // from here on (the simulator's) inherit the setting. "slack" as third argument keeps it.
    const bool keepSlack = argc > 3 && std::string(argv[3]) == "slack";
    if (!keepSlack) ::prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    qx::sim::Simulator sim;
    qx::sim::ModuleSettings module;
    module.address = 1;
    module.baudCode = kBaudCode;
    module.queueCapacity = records + 16;
    sim.AddModule(module);
    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    sim.SetFixedValue(1, 12.5);
    if (!sim.PrefillQueue(1, records, 0x10)) {
        std::fprintf(stderr, "prefill failed\n");
        return 1;
    }
    sim.SetPacing(true, turnaroundMs);

    qx::TCommPort port(qx::PortPaths{sim.SlavePath(), "", "", ""});
    if (port.Open(0, kBaudCode, false, nullptr) != qx::kOk) {
        std::fprintf(stderr, "link: cannot open %s\n", sim.SlavePath().c_str());
        return 1;
    }
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("download_bench_" + std::to_string(::getpid()) + ".PRN"))
                                 .string();
    qx::DataFileWriter file;
    if (!file.Create(path)) return 1;
    QuietProgress progress;
    sim.Record().Clear();

    qx::DownloadResult result;
    std::chrono::steady_clock::duration inSend{};
    const auto start = std::chrono::steady_clock::now();
    {
        qx::PauseLease pause(port);
        const qx::Exchange exchange = [&](const char* request, char* reply) {
            const auto sent = std::chrono::steady_clock::now();
            const int code = port.Send(request, reply);
            inSend += std::chrono::steady_clock::now() - sent;
            return code;
        };
        result = qx::DownloadQueue(exchange, 1, file, progress);
    }
    const double measured =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    port.Close();
    sim.Stop();

    std::size_t requestChars = 0, replyChars = 0, exchanges = 0;
    for (const auto& f : sim.Record().Frames()) {
        if (f.fromModule) {
            replyChars += f.bytes.size();
        } else {
            requestChars += f.bytes.size();
            ++exchanges;
        }
    }
    const double bitRate = qx::BitRate(kBaudCode);
    const double turnaround = exchanges * turnaroundMs / 1000.0;
    const double floor = (requestChars + replyChars) * 10 / bitRate + turnaround;
    // The pseudo-terminal delivers a request at once; only the simulator paces its replies.
    const double paced = replyChars * 10 / bitRate + turnaround;
    std::printf(
        "records %d at %.0f Bd, turnaround %d ms: written %d, request cycles %d, "
        "result %d\n",
        records, bitRate, turnaroundMs, result.written, result.requests, result.result);
    std::printf("exchanges %zu, request characters %zu, reply characters %zu\n", exchanges,
                requestChars, replyChars);
    std::printf("measured %.3f s, physical floor %.3f s, ratio %.3f (goal <= 1.05)\n", measured,
                floor, measured / floor);
    const double send = std::chrono::duration<double>(inSend).count();
    std::printf(
        "inside the link's Send %.3f s; outside it (decoding, writing the file) %.3f s, "
        "%.1f us per exchange\n",
        send, measured - send, (measured - send) * 1e6 / static_cast<double>(exchanges));
    std::printf("floor of what the pty paces (replies and turnaround) %.3f s, ratio %.3f\n", paced,
                measured / paced);
    std::filesystem::remove(path);
    return result.result == 0 && result.written == records ? 0 : 2;
}
