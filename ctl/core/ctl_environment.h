#pragma once
// What meridoctl takes from around it: the window's saved settings as defaults, the output
// streams, the stop request of a signal, and the seams that tests set.

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

#include "common/core/local_time.h"
#include "link/core/comm_port.h"

namespace qx::ctl {

// The Setup page's saved values.
struct SavedSetup {
    PortPaths comPaths = DefaultPortPaths();
    int port = 0;      // 0 = COM1
    int baudCode = 6;  // 3..8
    bool checksum = false;
    int address = 10;  // 0..254
};

struct CtlEnvironment {
    SavedSetup saved;
    std::ostream* out = nullptr;
    std::ostream* err = nullptr;
    bool errIsTerminal = false;               // a progress bar goes to standard error only then
    const std::atomic<bool>* stop = nullptr;  // raised by SIGINT/SIGTERM
    // Where a download that ended on a failed request leaves the toggle for the next one.
    std::filesystem::path stateDir;
    std::string root;  // prefixed to /dev and /sys when listing the serial devices (tests)
    // Seams for tests: the device under the link, the silence that ends a reply, the clock.
    DeviceFactory device;
    int replyGapMs = kReplyGapMs;
    LocalClock clock = SystemLocalTime;
    // The clock of the reminders while a module or the broker stays away.
    std::function<std::chrono::steady_clock::time_point()> monotonic = [] {
        return std::chrono::steady_clock::now();
    };

    bool Stopped() const { return stop != nullptr && stop->load(); }
};

// Exit codes.
constexpr int kExitDone = 0;
constexpr int kExitComm = 1;         // a communication error, or a long command interrupted
constexpr int kExitUsage = 2;        // a usage error, or a file that cannot be used
constexpr int kExitNoPort = 3;       // the port is not available
constexpr int kExitDifferences = 4;  // schedule check found differences

}  // namespace qx::ctl
